/*
 * Drawing the progress line.
 */
#include "cli/progressline.h"

#include <QtCore/QString>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int BarWidth = 24;

QString mebibytes(double bytes) {
    return QString::number(bytes / (1 << 20), 'f', 1) + u" MiB"_s;
}

QString minutesAndSeconds(qint64 seconds) {
    return QString::number(seconds / 60) + u':' + QString::number(seconds % 60).rightJustified(2, u'0');
}

} // namespace

ProgressLine::ProgressLine(bool shown)
    : m_shown(shown) {
    m_clock.start();
}

void ProgressLine::update(qint64 doneBytes) {
    const qint64 now = m_clock.elapsed();
    if (!m_shown || now - m_lastDrawMs < 100)
        return;
    m_lastDrawMs = now;
    const double fraction = m_total > 0 ? std::min(1.0, double(doneBytes) / double(m_total)) : 0.0;
    const int filled = int(fraction * BarWidth);
    const double rate = now > 0 ? double(doneBytes) * 1000.0 / double(now) : 0.0;
    QString line = u"\r["_s + QString(filled, u'#') + QString(BarWidth - filled, u'.') + u"] "_s +
                   mebibytes(double(doneBytes)) + u" of "_s + mebibytes(double(m_total)) + u"  "_s + mebibytes(rate) +
                   u"/s"_s;
    if (rate > 0)
        line += u"  "_s + minutesAndSeconds(qint64(double(m_total - doneBytes) / rate)) + u" left"_s;
    const QByteArray bytes = line.toLocal8Bit() + "\033[K";
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    m_drawn = true;
}

void ProgressLine::clear() {
    if (!m_drawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_drawn = false;
    m_lastDrawMs = -1000;
}
