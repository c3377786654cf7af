/*
 * The program's uniform source: every draw comes straight from the system's cryptographic random
 * source, so no state kept in the program can be recovered from the passwords it has shown.
 */
#pragma once

#include "generate/uniformsource.h"

class QRandomGenerator;

class SystemUniformSource final : public UniformSource {
public:
    SystemUniformSource();

    float next() override;

    // The generator the draws come from: QRandomGenerator::system().
    const QRandomGenerator* generator() const { return m_generator; }

private:
    QRandomGenerator* m_generator;
};
