/*
 * The program's uniform source: a pseudo-random generator seeded once from the system's random
 * source, so that every run makes different passwords.
 */
#pragma once

#include "uniformsource.h"

#include <QtCore/QRandomGenerator>

class SystemUniformSource final : public UniformSource {
public:
    SystemUniformSource();

    float next() override;

private:
    QRandomGenerator m_generator;
};
