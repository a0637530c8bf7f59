#include "monitor/diag/window/SensorTestDialog.h"

#include "dialog/BesideOwner.h"
#include "dialog/MessageBoxStyle.h"
#include "dialog/StandardIds.h"
#include "registers/MsrIndex.h"
#include "monitor/lifecycle/ClockModulation.h"
#include "monitor/diag/BenchWorkload.h"
#include "monitor/diag/window/SensorTestTemplate.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "platform/CFormat.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace monitor {

namespace {

// The cool-down schedule. Test 1 is the heat-up, whose result (the lowest
// readout) comes at second 200; test k = 2..10 samples the 40 seconds
// before its result at 200 + 46 (k - 1), after 6 seconds of settling.
constexpr int HeatUpEnd = 200;
constexpr int TestLength = 46;
constexpr int Samples = 40;
constexpr double PerSample = 1.0 / Samples;
constexpr int HeatUpLoadFirst = HeatUpEnd - Samples;     // 160
constexpr int StatusSecond = 20;                         // heat-up progress shown from here on
constexpr int HeatUpDropShown = 4;                       // ... or once the cores warmed this much
constexpr int StressEndRow = 8;                          // its result ends the stress program
constexpr int FinalIdleRow = 9;                          // its result switches the modulation off
constexpr int LastLoadedSecond = 521;                    // the stress program is checked up to here
constexpr int MovementLoadMs = 4000;
constexpr int LoadThreadMultiplier = 10;

int resultSecond(int row) { return HeatUpEnd + TestLength * (row - 1); }

// Clock modulation for the test that follows row 1..7: enable bit 4 and the
// duty cycle in eighths, 7/8 after row 1 down to 1/8 after row 7.
uint32_t modulationAfterRow(int row)
{
    uint64_t value = msr::clock_modulation::Enable.set(0, 1);
    return static_cast<uint32_t>(msr::clock_modulation::DutyCycle.set(value, 8 - row));
}

// The duty cycle of rows 1..8, shown as the load when none was measured.
double nominalDuty(int row) { return 100.0 - 12.5 * (row - 1); }

QString qtext(const std::string& value) { return QString::fromStdString(value); }

SlotReadouts readRegisters(MonitorRecords& records)
{
    SlotReadouts readouts{};
    for (int slot = 0; slot < SensorTestSlots; ++slot) {
        if (!records.info.corePresent(slot) || !records.access.pin(records.info.coreCpu[slot]))
            continue;
        uint64_t status = 0;
        if (records.access.read(msr::IA32_THERM_STATUS, status))
            readouts[slot] = static_cast<int>(msr::therm_status::DigitalReadout.get(status));
    }
    records.access.unpin();
    return readouts;
}

} // namespace

QPoint sensorTestPosition(const QRect& mainWindow, int screenWidth, int width, Composition composition)
{
    const int gap = composition == Composition::On ? 10 : 0;
    return {dialog::besideOwnerLeft(mainWindow, screenWidth, width, gap), mainWindow.y()};
}

int SensorTestDialog::rowCell(int row, int slot) { return sensorTestRowCell(row, slot); }
int SensorTestDialog::loadCell(int row) { return sensorTestLoadCell(row); }

SensorTestDialog::SensorTestDialog(MonitorRecords& records, SensorTestEnvironment environment, QWidget* parent)
    : DialogWindow(sensorTestTemplate(), parent)
    , m_records(records)
    , m_environment(std::move(environment))
    , m_stress(m_environment.stressProgram ? std::move(m_environment.stressProgram)
                                           : std::make_unique<StressProgram>())
{
    if (!m_environment.readReadouts)
        m_environment.readReadouts = [this] { return readRegisters(m_records); };
    if (!m_environment.sleep)
        m_environment.sleep = [this](uint32_t ms) { m_records.processor.sleep(ms); };
    if (!m_environment.startLoadThread) {
        std::shared_ptr<platform::Processor> processor = m_records.processorOwner;
        m_environment.startLoadThread = [processor](int) {
            // The thread keeps the processor alive; it ends on its own and its
            // result is of no interest.
            std::thread([processor] {
                processor->setThreadPriority(platform::ThreadPriority::Idle);
                volatile int64_t result = BenchWorkload(LoadThreadMultiplier);
                (void)result;
            }).detach();
        };
    }
    onClicked(IdStart, [this] { start(); });
    onClicked(IdStop, [this] { stop(); });
    onClicked(IdDownload, [this] { download(); });
}

void SensorTestDialog::runFrom(dialog::DialogWindow& mainWindow, MonitorRecords& records, int screenWidth,
                               SensorTestEnvironment environment)
{
    mainWindow.setText(IDC_SENSOR_TEST, QStringLiteral("Testing..."));
    mainWindow.setEnabled(IDC_SENSOR_TEST, false);
    const QRect mainRect = mainWindow.frameRect();
    {
        SensorTestDialog window(records, std::move(environment), &mainWindow);
        window.setServices(mainWindow.services());
        QObject::connect(&mainWindow, &QDialog::finished, &window,
                         [&window] { window.endDialog(dialog::IDCANCEL); });
        window.open(mainRect, screenWidth);
        if (!mainWindow.ended())
            window.runModal();
    }
    mainWindow.setText(IDC_SENSOR_TEST, QStringLiteral("Sensor Test"));
    mainWindow.setEnabled(IDC_SENSOR_TEST, true);
    mainWindow.setFocus(IDC_SENSOR_TEST);
}

SensorTestDialog::~SensorTestDialog()
{
    closeDown();
}

void SensorTestDialog::closeDown()
{
    if (m_closedDown)
        return;
    m_closedDown = true;
    killTimer(TestTimer);
    writeClockModulation(m_savedClockModulation);
    if (m_primeRunning) {
        m_stress->terminate();
        m_primeRunning = false;
    }
}

bool SensorTestDialog::present(int slot) const
{
    return m_records.info.corePresent(slot);
}

SlotReadouts SensorTestDialog::readReadouts()
{
    SlotReadouts readouts = m_environment.readReadouts();
    for (int slot = 0; slot < SensorTestSlots; ++slot)
        if (!present(slot))
            readouts[slot] = 0; // an absent core reads 0
    return readouts;
}

void SensorTestDialog::open(const QRect& mainWindow, int screenWidth)
{
    runMovementTest();
    const int width = frameRect().width();
    moveFrameTo(sensorTestPosition(mainWindow, screenWidth, width, m_environment.composition));
}

void SensorTestDialog::runMovementTest()
{
    m_idleReadout = readReadouts();
    m_idleSum = 0;
    for (int value : m_idleReadout)
        m_idleSum += value;
    setEnabled(IdStop, false);
    m_minReadout.fill(100);

    uint64_t modulation = 0;
    m_records.access.read(msr::IA32_CLOCK_MODULATION, modulation);
    m_savedClockModulation = msr::lowHalf(modulation);

    m_records.access.systemCpus().forEach([this](int cpu) { m_environment.startLoadThread(cpu); });
    m_environment.sleep(MovementLoadMs);

    const SlotReadouts loaded = readReadouts();
    m_coreCount = 0;
    for (int slot = 0; slot < SensorTestSlots; ++slot) {
        if (!present(slot))
            continue;
        ++m_coreCount;
        setText(IdMovement0 + slot, qtext(platform::cformat("%d", std::max(0, m_idleReadout[slot] - loaded[slot]))));
    }
    setStatus(QStringLiteral("Press Start to begin a 10 minute sensor test."));
}

void SensorTestDialog::setStatus(const QString& status)
{
    setText(IdStatus, status);
    update();
}

void SensorTestDialog::writeClockModulation(uint32_t value)
{
    WriteClockModulation(m_records.access, value);
}

double SensorTestDialog::averageLoad() const
{
    // The mean load of the measured logical processors; the entries of
    // processors not measured are 0.
    if (!m_records.counters || m_records.counters->count <= 0)
        return 0.0;
    double sum = 0.0;
    for (double load : m_records.counters->load)
        sum += load;
    return std::min(sum / m_records.counters->count, 100.0);
}

void SensorTestDialog::start()
{
    // A new run starts from nothing: the lowest readout and the load of a
    // run stopped during its heat-up would otherwise go into this run's row 1.
    m_readoutSum.fill(0);
    m_minReadout.fill(100);
    m_loadSum = 0.0;
    m_testSeconds = 0;
    setStatus(QStringLiteral("Open Prime95"));
    writeClockModulation(0);

    dialog::FileDialogRequest request;
    request.mode = dialog::FileDialogMode::Open;
    request.title = QStringLiteral("Open Prime95 - Use Small FFTs option");
    request.filter = QStringLiteral("EXE Files (*.exe)|*.exe||");
    request.defaultExtension = QStringLiteral("prime95");
    request.existence = dialog::FileExistence::MustExist;
    const std::optional<QString> path = services().chooseFile(this, request);
    if (!path) {
        setStatus(QStringLiteral("Unable to Open Prime95"));
        return;
    }
    if (!m_stress->start(path->toStdString(), m_records.access.systemCpus())) {
        std::fprintf(stderr, "%s: %s could not be started\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(*path));
        return;
    }
    m_primeRunning = true;
    setStatus(QStringLiteral("Run Small FFTs"));
    setEnabled(IdStart, false);
    setEnabled(IdDownload, false);
    setEnabled(IdStop, true);
    for (int row = 1; row <= SensorTestRows; ++row) {
        setText(loadCell(row), QString());
        for (int slot = 0; slot < SensorTestSlots; ++slot)
            setText(rowCell(row, slot), QString());
    }
    setTimer(TestTimer, 1000);
}

void SensorTestDialog::onTimer(int id)
{
    if (id == TestTimer)
        handleTimer();
}

void SensorTestDialog::addSamples(const SlotReadouts& readouts)
{
    for (int slot = 0; slot < SensorTestSlots; ++slot)
        m_readoutSum[slot] += readouts[slot];
    m_loadSum += averageLoad();
}

void SensorTestDialog::showLoad(int row)
{
    double load = m_loadSum * PerSample;
    if (row <= StressEndRow && static_cast<int>(m_loadSum) == 0)
        load = nominalDuty(row); // no load was measured
    setText(loadCell(row), qtext(platform::cformat("%.1f%%", load)));
    m_loadSum = 0.0;
}

void SensorTestDialog::showMinimumRow()
{
    for (int slot = 0; slot < SensorTestSlots; ++slot)
        if (present(slot))
            setText(rowCell(1, slot), qtext(platform::cformat("%.1f", static_cast<double>(m_minReadout[slot]))));
    showLoad(1);
    m_readoutSum.fill(0);
}

void SensorTestDialog::showRow(int row)
{
    for (int slot = 0; slot < SensorTestSlots; ++slot)
        if (present(slot))
            setText(rowCell(row, slot), qtext(platform::cformat("%.1f", m_readoutSum[slot] * PerSample)));
    showLoad(row);
    m_readoutSum.fill(0);
}

void SensorTestDialog::handleTimer()
{
    const SlotReadouts readouts = readReadouts();
    const int t = ++m_testSeconds;

    if (t < HeatUpEnd) {
        int sum = 0;
        for (int value : readouts)
            sum += value;
        const bool warmedUp = m_coreCount > 0 && (m_idleSum - sum) / m_coreCount > HeatUpDropShown;
        if (t >= StatusSecond || warmedUp)
            setStatus(qtext(platform::cformat("Heat Up Phase = %d%%", t / 2)));
        for (int slot = 0; slot < SensorTestSlots; ++slot)
            m_minReadout[slot] = std::min(m_minReadout[slot], readouts[slot]);
        if (t >= HeatUpLoadFirst)
            m_loadSum += averageLoad();
    } else if (t == HeatUpEnd) {
        showMinimumRow();
        setStatus(QStringLiteral("Cool Down Test Begins."));
        writeClockModulation(modulationAfterRow(1));
    } else {
        // Which test this second belongs to: row k's result comes at resultSecond(k).
        const int row = 1 + (t - HeatUpEnd + TestLength - 1) / TestLength;
        const int result = resultSecond(row);
        if (t == result) {
            showRow(row);
            if (row < StressEndRow) {
                setStatus(qtext(platform::cformat("Test #%d Begins.", row + 1)));
                writeClockModulation(modulationAfterRow(row));
            } else if (row == StressEndRow) {
                setStatus(QStringLiteral("Stopping Prime95"));
                if (m_primeRunning) {
                    m_stress->terminate();
                    m_primeRunning = false;
                }
            } else if (row == FinalIdleRow) {
                setStatus(QStringLiteral("Final Idle Test Begins"));
                writeClockModulation(0);
            } else {
                stop();
                return;
            }
        } else if (t > result - Samples - 1) {
            // The 40 sampling seconds; the 5 before them let the processor settle.
            addSamples(readouts);
            setStatus(qtext(platform::cformat("Test #%d = %d", row, t - (result - Samples - 1))));
        }
    }
    checkStressProgram(t);
    update();
}

void SensorTestDialog::checkStressProgram(int second)
{
    if (second == 1) {
        if (!m_stress->alive()) {
            stop();
            messageBox(QStringLiteral("Prime 95 may already be open.\n\nExit Prime 95 before starting the\nCPU Cool "
                                      "Down Test."),
                       QStringLiteral("Error"), dialog::MB_OK | dialog::MB_ICONERROR);
        }
    } else if (second % 2 == 1 && second <= LastLoadedSecond) {
        if (!m_stress->alive()) {
            stop();
            messageBox(QStringLiteral("Prime 95 was Cancelled."), QStringLiteral("Error"),
                       dialog::MB_OK | dialog::MB_ICONERROR);
        }
    }
}

void SensorTestDialog::stop()
{
    killTimer(TestTimer);
    writeClockModulation(m_savedClockModulation);
    if (m_primeRunning) {
        m_stress->terminate();
        m_primeRunning = false;
    }
    if (!text(rowCell(SensorTestRows, 0)).isEmpty())
        setStatus(QStringLiteral("CPU Cool Down Test Completed"));
    else
        setStatus(QStringLiteral("CPU Cool Down Test Stopped."));
    setEnabled(IdStart, true);
    setEnabled(IdDownload, true);
    setEnabled(IdStop, false);
}

void SensorTestDialog::download()
{
    setStatus(QStringLiteral("Step 3. Download Prime95 for your operating system:"));
    if (m_environment.openAddress)
        m_environment.openAddress(DownloadAddress);
}

} // namespace monitor
