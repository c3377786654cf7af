/*
 * Draws from the system's random source, one 32-bit value per draw.
 */
#include "generate/systemuniformsource.h"

#include <QtCore/QRandomGenerator>

SystemUniformSource::SystemUniformSource()
    : m_generator(QRandomGenerator::system()) {}

float SystemUniformSource::next() {
    return fromBits(m_generator->generate());
}
