// The editor starting up, in process (the QApplication exists already; BM_ProcessStart adds what
// starting the executable itself costs): the welcome window shown, and a 4000 × 3000 PNG given on
// the command line read, shown in its window and its canvas painted for the first time. The
// memory counters are the resident set the open document adds and the whole process's with it. Figures are counters in ms and MiB.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"
#include "app/Application.h"
#include "app/WelcomeWindow.h"
#include "canvas/CanvasView.h"
#include "document/ImageDocument.h"
#include "window/DocumentWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

const QString& photoFile()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath(QStringLiteral("photo.png"));
        ImageDocument document(DocumentDefaults{4000, 3000, CanvasBackground::transparent, {}, 2});
        CanvasState state = document.state();
        state.layers.clear();
        Layer layer;
        layer.name = QStringLiteral("Photo");
        layer.content = bench::photo12Megapixels();
        state.layers.append(layer);
        document.commitState(std::move(state), QStringLiteral("Setup"));
        if (document.saveToFile(file, QStringLiteral("public.png"), SaveOperation::saveTo))
            qFatal("could not write the benchmark image");
        return file;
    }();
    return path;
}

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

void BM_LaunchToWelcomeWindow(benchmark::State& state)
{
    QTemporaryDir autosaves;
    for (auto _ : state) {
        Application application(autosaves.path());
        application.launch({});
        if (!QTest::qWaitForWindowExposed(application.welcomeWindow()))
            state.SkipWithError("no welcome window");
    }
}

void BM_LaunchToFirstPaintedCanvas(benchmark::State& state)
{
    QTemporaryDir autosaves;
    photoFile();
    double added = 0, resident = 0;
    for (auto _ : state) {
        const double before = residentMiB();
        Application application(autosaves.path());
        QSignalSpy opened(&application, &Application::documentWindowOpened);
        application.launch({photoFile()});
        if (!opened.wait(30000)) {
            state.SkipWithError("the image did not open");
            break;
        }
        QSignalSpy shown(application.documentWindows().first()->canvas(), &CanvasView::compositeShown);
        if (!shown.wait(30000))
            state.SkipWithError("the canvas was never painted");
        state.PauseTiming();
        for (int settle = 0; settle < 20; ++settle)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        resident = residentMiB();
        added = resident - before;
        state.ResumeTiming();
    }
    state.counters["documentMiB"] = added;
    state.counters["residentMiB"] = resident;
}

void BM_ProcessStart(benchmark::State& state)
{
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral(VELMARIS_EXECUTABLE), {QStringLiteral("--help")});
        process.waitForFinished();
    }
}

BENCHMARK(BM_ProcessStart)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LaunchToWelcomeWindow)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LaunchToFirstPaintedCanvas)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QApplication>(argc, argv);
}
