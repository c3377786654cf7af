/*
 * Uniform sources for the generator's tests: one that plays back given draws, one that draws
 * from a fixed-seed engine so that distributions are the same on every run.
 */
#pragma once

#include "uniformsource.h"

#include <QtCore/QQueue>

#include <gtest/gtest.h>

#include <random>

class ScriptedSource final : public UniformSource {
public:
    void add(std::initializer_list<float> draws) {
        for (const float draw : draws)
            m_draws.enqueue(draw);
    }
    qsizetype remaining() const { return m_draws.size(); }

    float next() override {
        if (m_draws.isEmpty()) {
            ADD_FAILURE() << "more draws taken than scripted";
            return 0.0f;
        }
        return m_draws.dequeue();
    }

private:
    QQueue<float> m_draws;
};

class SeededSource final : public UniformSource {
public:
    float next() override { return fromBits(static_cast<quint32>(m_engine())); }

private:
    std::mt19937 m_engine{20240611u};
};

// The draw that makes Int(100 r) come out as n, safely inside its interval.
inline float hundredths(int n) {
    return (static_cast<float>(n) + 0.5f) / 100.0f;
}
