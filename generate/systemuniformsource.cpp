/*
 * Seeds the generator with a full 256-bit seed from the system, so runs do not repeat.
 */
#include "systemuniformsource.h"

#include <array>

namespace {

QRandomGenerator seededFromSystem() {
    std::array<quint32, 8> seed{};
    QRandomGenerator::system()->fillRange(seed.data(), seed.size());
    return QRandomGenerator(seed.data(), static_cast<qsizetype>(seed.size()));
}

} // namespace

SystemUniformSource::SystemUniformSource()
    : m_generator(seededFromSystem()) {}

float SystemUniformSource::next() {
    return fromBits(m_generator.generate());
}
