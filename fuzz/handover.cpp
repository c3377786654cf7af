/*
 * The hand-over message a second start sends to the running program: any bytes decode, wait for
 * more or are refused without reading past them; the paths of a message that decodes are
 * absolute, without zero bytes, and encoded again decode to the same paths and command; a message cut short
 * anywhere before its end waits for more.
 */
#include "fuzz/fuzzcheck.h"

#include "app/shell/engine/handovermessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray message(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<HandOver::Decoded> decoded = HandOver::decode(message);
    if (!decoded || decoded->bad)
        return 0;
    for (const QString& path : decoded->paths)
        FUZZ_CHECK(path.startsWith(u'/') && !path.contains(QChar(0)));
    const QByteArray again = HandOver::encode(decoded->paths, decoded->action);
    FUZZ_CHECK(again.size() <= message.size());
    const std::optional<HandOver::Decoded> redecoded = HandOver::decode(again);
    FUZZ_CHECK(redecoded && !redecoded->bad && redecoded->paths == decoded->paths &&
               redecoded->action == decoded->action);
    FUZZ_CHECK(!HandOver::decode(message.left(static_cast<qsizetype>(data[0]) % message.size())));
    return 0;
}
