#include "Fixture.h"

#include <QElapsedTimer>
#include <QThread>

#include "queue/MachineWork.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "core/RipWriter.h"
#include "dialogs/PasswordDlg.h"
#include "dialogs/StartupDialog.h"

namespace orvix::test {

AppFixture::AppFixture(const QString& device, const QString& lang) {
    savedDir = QDir::currentPath();
    AppOptions o;
    o.base = dir.path();
    o.device = device;
    o.lang = lang;
    // The card's firmware images, as a machine folder has them.
    writeFile("TORVIAN.drv", "fpga image");
    writeFile("PLENTAX.drv", "dsp image");
    app = std::make_unique<OrvixApp>(o);
    platform::setPrompter(answers);
    // Nobody types the engineer password (a folder without a current setup asks for it at
    // start-up): cancelled, unless a test answers it.
    CPasswordDlg::scripted() = [](QString&) { return int(QDialog::Rejected); };
}

AppFixture::~AppFixture() {
    CPasswordDlg::scripted() = nullptr;
    app.reset();
    QDir::setCurrent(savedDir);
}

StartupResult AppFixture::start(int action) {
    // The start-up dialog as the operator confirms it: the current setup, the given action.
    app->askStartup = [this, action](int& a) {
        StartupDialog dlg(app->engine());
        dlg.setAction(action);
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        a = dlg.action();
        return dlg.result();
    };
    const StartupResult r = app->startUp();
    // The start-up action runs as machine work behind the shown window: tests begin after it.
    if (r.run) waitForMachineWork(*app);
    return r;
}

bool waitForMachineWork(OrvixApp& app, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (app.machineWork().running()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void AppFixture::writeFile(const QString& name, const QByteArray& bytes) const {
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray AppFixture::readFile(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeRip(const QString& path, unsigned w, unsigned h, unsigned colours, unsigned dpi, const LineFill& fill) {
    RipHead head;
    head.uiXDPI = dpi;
    head.uiYDPI = dpi;
    head.uiWidth = w;
    head.uiHeight = h;
    head.uiBytesPerLine = (w + 7) / 8;
    head.uiColors = colours;
    RipWriter out;
    if (!out.Open(path.toStdString(), head)) return false;
    std::vector<uint8_t> line(size_t(head.uiBytesPerLine) * colours);
    for (unsigned y = 0; y < h; ++y) {
        std::fill(line.begin(), line.end(), 0);
        fill(y, line.data(), head.uiBytesPerLine);
        if (!out.WriteLine(line.data())) return false;
    }
    return out.Finish();
}

bool makeRip(const QString& path, unsigned w, unsigned h, unsigned colours, unsigned dpi) {
    return writeRip(path, w, h, colours, dpi, [w, colours](unsigned y, uint8_t* line, unsigned bpl) {
        for (unsigned c = 0; c < colours; ++c)
            for (unsigned b = 0; b < bpl; ++b)
                // Each colour inks its own band of the picture, diagonal stripes inside it.
                line[c * bpl + b] = (b * 8 * colours / std::max(1u, w)) == c ? uint8_t(0xF0 >> ((y + b) % 4)) : 0;
    });
}

void startJob(CDrvPrint& d, const QString& path, unsigned passes) {
    // The operator measures the media first: it sets where the media lies and how wide it is.
    if (d.uiWidth1 == 0) QCOMPARE(d.PRNMeasure(), 1);
    d.csName = path.toStdString();
    d.uiPassCount = passes;
    d.uiPrintQty = 1;
    // The heads sit right of the media sensor on the virtual carriage: a margin keeps the print on the media.
    d.uiFire = unsigned(d.XMMToPulse(200)) + d.uiStartPos1 + d.uiLeftLimitPos;
    d.uiPrintJobKind = 0;
    d.uiStepSendCurrent = 0;
    d.bHorizontalMirror = 0;
    d.bIfYMove = 0;
    d.PRNPrintFile(path.toStdString());
}

void later(std::function<void()> fn, int ms) { QTimer::singleShot(ms, qApp, std::move(fn)); }

} // namespace orvix::test

namespace orvix::test {

std::map<std::string, SuiteRun>& suites() {
    static std::map<std::string, SuiteRun> all;
    return all;
}

} // namespace orvix::test
