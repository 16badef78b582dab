#include "device/register/RegisterSelfTest.h"

#include "device/register/RegisterAmplifier.h"

#include <QThread>

#include <algorithm>
#include <exception>

namespace {

constexpr int kResumeIntervalMs = 100;
constexpr unsigned long kSettleMs = 50;
constexpr unsigned long kStepPauseMs = 20;

struct TestEntry {
    const char *name;
    uint16_t reg;
    bool readOnly;
    uint32_t testValue;
};

// The names are translated where they are shown, under this context.
constexpr TestEntry kTestTable[] = {
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "AVP1"), 0x0007, false, 0x87654321},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "AVP2"), 0x0009, false, 0x00FF00FF},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "只读参数"), 0x0011, true, 0},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "滤波级别"), 0x0056, false, 3},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "滤波带宽"), 0x0058, false, 500},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "自动零点追踪时间"), 0x005C, false, 25},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "自动零点追踪带宽"), 0x005E, false, 5000},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "稳定时间"), 0x0060, false, 30},
    {QT_TRANSLATE_NOOP("RegisterAmplifier", "显示分度"), 0x0064, false, 100},
};
constexpr int kEntries = static_cast<int>(std::size(kTestTable));
constexpr uint32_t kAdLowLimit = 1000;
constexpr uint32_t kAdHighLimit = 500000;

// The register pairs that hold the amplifier's own parameters: zero offset, point count, the calibration
// block and the filter settings.
bool isParameterPair(uint16_t reg) {
    if (reg >= 0x0008 && reg <= 0x002A)
        return reg % 2 == 0;
    for (const uint16_t known : {0x0004, 0x0006, 0x0034, 0x0056, 0x0058, 0x005C, 0x005E, 0x0060, 0x0064}) {
        if (reg == known)
            return true;
    }
    return false;
}

QString hex4(uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString hex8(uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

QString entryName(const TestEntry &entry) {
    return QCoreApplication::translate("RegisterAmplifier", entry.name);
}

} // namespace

void RegisterSelfTest::narrate(const QString &line) {
    emit m_amplifier.logMessage(line);
}

void RegisterAmplifier::testAllRegisters() {
    if (m_selfTestRunning.exchange(true))
        return;
    joinSelfTest();
    if (const QString why = safetyCopyBefore(QStringLiteral("selfTest")); !why.isEmpty()) {
        m_selfTestRunning = false;
        const QString message = QStringLiteral("Self-test not started: %1").arg(why);
        emit commandFinished(QStringLiteral("selfTest"), false, message);
        emit selfTestFinished(false, message);
        return;
    }
    emit logMessage(tr("启动放大器功能测试程序..."));
    // The worker is started and stopped by this thread only.
    const bool resume = m_worker.isRunning();
    m_worker.stop();
    m_selfTest = std::thread([this, resume] { RegisterSelfTest(*this).run(resume); });
}

void RegisterAmplifier::joinSelfTest() {
    if (m_selfTest.joinable())
        m_selfTest.join();
}

void RegisterSelfTest::run(bool resume) {
    RegisterAmplifier &a = m_amplifier;
    if (resume)
        QThread::msleep(kSettleMs);

    // Everything the test writes is saved first: its own registers, and the parameter pairs that a 32-bit
    // write reaches on an amplifier with a plain 16-bit register file (a write at 0x0007 changes 0x0006 to
    // 0x0009 there: the point count and point 0's AD value). The neighbours come last, so that writing them
    // back also repairs what an overlapping register's write-back could not.
    std::vector<uint16_t> saveRegs;
    for (const TestEntry &entry : kTestTable) {
        if (!entry.readOnly)
            saveRegs.push_back(entry.reg);
    }
    const size_t ownCount = saveRegs.size();
    for (size_t i = 0; i < ownCount; ++i) {
        for (const int step : {-1, 1}) {
            const auto neighbour = static_cast<uint16_t>(saveRegs[i] + step);
            if (isParameterPair(neighbour) &&
                std::find(saveRegs.begin(), saveRegs.end(), neighbour) == saveRegs.end())
                saveRegs.push_back(neighbour);
        }
    }
    std::sort(saveRegs.begin() + static_cast<long>(ownCount), saveRegs.end());
    const writetx::Access access = a.registerAccess(saveRegs, false);

    narrate(tr("【保存】正在读取测试前的参数值..."));
    std::vector<uint32_t> saved;
    QString saveFailure;
    for (size_t i = 0; i < saveRegs.size() && saveFailure.isEmpty(); ++i) {
        QString cause;
        // Returned from inside the try block, never assigned there (see measureReported).
        const std::optional<uint32_t> value = [&]() -> std::optional<uint32_t> {
            try {
                return access.read(i, &cause);
            } catch (const std::exception &e) {
                cause = QString::fromUtf8(e.what());
                return std::nullopt;
            }
        }();
        if (!value) {
            saveFailure = QStringLiteral("0x%1: %2").arg(hex4(saveRegs[i]), cause);
            break;
        }
        saved.push_back(*value);
        narrate(tr("→ [0x%1] 原值：0x%2").arg(hex4(saveRegs[i]), hex8(*value)));
    }
    if (!saveFailure.isEmpty())
        narrate(tr("【错误】原值读取失败（%1），为免丢失现有设置，不写入任何测试数据。").arg(saveFailure));

    int passed = 0;
    int tested = 0;
    bool stopped = false;
    for (const TestEntry &entry : kTestTable) {
        if (a.m_stopRequested.load()) {
            stopped = true;
            narrate(tr("【停止】测试已中止，正在恢复测试前的参数值..."));
            break;
        }
        ++tested;
        const QString label = entryName(entry);
        narrate(tr("【测试】正在处理 [%1] 参数 (地址：0x%2)").arg(label, hex4(entry.reg)));
        bool readBack = true;
        if (entry.readOnly) {
            narrate(tr("ℹ️ [%1] 为只读参数，跳过写入。").arg(label));
        } else if (!saveFailure.isEmpty()) {
            narrate(
                tr("ℹ️ [%1] 原值未能保存，跳过写入以免丢失现有设置。").arg(label));
            readBack = false;
        } else {
            narrate(tr("→ 正在写入测试数据至 [%1] 参数：0x%2").arg(label, hex8(entry.testValue)));
            try {
                a.writeRaw(entry.reg, entry.testValue);
                QThread::msleep(kSettleMs);
                narrate(tr("→ 写入完成，正在验证数据..."));
            } catch (const std::exception &e) {
                narrate(tr("【错误】[%1] 写入失败：%2 ").arg(label, QString::fromUtf8(e.what())));
                readBack = false;
            }
        }
        if (readBack) {
            narrate(tr("→ 正在读取 [%1] 参数数据...").arg(label));
            try {
                const uint32_t value = a.readChecked(entry.reg, nullptr).value_or(0);
                const bool ok = entry.readOnly || value == entry.testValue;
                passed += ok ? 1 : 0;
                narrate(tr("→ [%1] 参数数据：0x%2 —— %3")
                            .arg(label, hex8(value), ok ? tr("测试通过") : tr("测试失败")));
            } catch (const std::exception &e) {
                narrate(tr("【错误】[%1] 读取失败：%2").arg(label, QString::fromUtf8(e.what())));
            }
        }
        QThread::msleep(kStepPauseMs);
    }

    bool adOk = false;
    bool adRead = true;
    if (!stopped) {
        narrate(tr("【测试】正在读取原始AD值..."));
        // A read that failed is not an AD value of 0: it says nothing about the sensor's range.
        const std::optional<uint32_t> read = a.measureReported();
        adRead = read.has_value();
        const uint32_t ad = read.value_or(0);
        if (adRead)
            narrate(tr("读取的原始AD值：0x%1 (%2)").arg(hex8(ad)).arg(ad));
        if (!adRead) {
            narrate(tr("【错误】原始AD值读取失败。"));
        } else if (ad < kAdLowLimit) {
            narrate(tr("【错误】原始AD值过低，可能存在硬件或连接问题。"));
        } else if (ad > kAdHighLimit) {
            narrate(tr("【错误】原始AD值过高，超出预期范围。 请检查传感器连接。"));
        } else {
            adOk = true;
            narrate(tr("原始AD值测试通过，数值在合理范围内。"));
        }
    }

    QStringList notRestored;
    if (saveFailure.isEmpty()) {
        narrate(tr("【恢复】正在写回测试前的参数值..."));
        notRestored = writetx::restore(access, saved, nullptr, false);
        for (const QString &wrong : notRestored)
            narrate(tr("【错误】未能恢复：%1").arg(wrong));
        if (notRestored.isEmpty())
            narrate(tr("参数恢复完成，已全部读回确认。"));
    }

    QString summary =
        stopped ? tr("Stopped after %1 of %2 registers (%3 passed)").arg(tested).arg(kEntries).arg(passed)
                : tr("%1 of %2 registers passed").arg(passed).arg(kEntries);
    if (!stopped && !adRead)
        summary += tr("; the raw AD value could not be read");
    else if (!stopped && !adOk)
        summary += tr("; the raw AD value is out of range");
    if (!saveFailure.isEmpty())
        summary += tr("; nothing was written, the settings could not be saved first (%1)").arg(saveFailure);
    else if (notRestored.isEmpty())
        summary += tr("; all settings restored and read back");
    else
        summary += tr("; NOT restored: %1").arg(notRestored.join(QStringLiteral(", ")));
    const bool passedAll =
        !stopped && adOk && passed == kEntries && saveFailure.isEmpty() && notRestored.isEmpty();
    // The rest on the amplifier's thread, after the narration queued there so far: the worker is started
    // there, and the verdict comes last.
    const bool resumeReading = resume && !stopped;
    QMetaObject::invokeMethod(
        &a,
        [&a, resumeReading, summary, passedAll] {
            if (resumeReading) {
                a.startContinuousADRead(kResumeIntervalMs);
                emit a.logMessage(tr("已恢复连续读取模式。"));
            }
            emit a.logMessage(summary);
            emit a.logMessage(tr("放大器功能测试全部完成。"));
            // A stop that came after the test's last step is spent with it.
            a.m_stopRequested.store(false);
            a.m_selfTestRunning.store(false);
            a.finish(QStringLiteral("selfTest"), passedAll, summary);
            emit a.selfTestFinished(passedAll, summary);
        },
        Qt::QueuedConnection);
}
