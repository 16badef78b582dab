#pragma once

#include <QCoreApplication>
#include <QString>

class RegisterAmplifier;

// The register self-test of a RegisterAmplifier: write known values, read them back, check the raw AD
// value, and put back everything it wrote. It runs on a thread of its own: the narration goes out by the
// amplifier's logMessage as it happens, and the end (reading resumed, summary, verdict) is handed back to
// the amplifier's thread. Its narration is Chinese at the source and goes through the translations under
// the amplifier's context, so that each language shows it in its own words.
class RegisterSelfTest {
    Q_DECLARE_TR_FUNCTIONS(RegisterAmplifier)

public:
    explicit RegisterSelfTest(RegisterAmplifier &amplifier)
        : m_amplifier(amplifier) {}

    // The whole test; `resume`: the worker was reading when the test began (it was stopped before).
    void run(bool resume);

private:
    void narrate(const QString &line);

    RegisterAmplifier &m_amplifier;
};
