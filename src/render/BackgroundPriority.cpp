#include "render/BackgroundPriority.h"

#include <QThread>
#include <QThreadPool>

#include <tbb/info.h>
#include <tbb/task_arena.h>
#include <tbb/task_scheduler_observer.h>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace velmaris {

namespace {

#ifdef Q_OS_LINUX
// Under Linux's ordinary policy QThread priorities change nothing; each thread has a nice value of
// its own instead. Ten steps down weigh a thread about a tenth of one at the normal level.
constexpr int kBackgroundNiceSteps = 10;
constexpr int kLowestNice = 19;

id_t threadID()
{
    return id_t(syscall(SYS_gettid));
}

int niceOfThisThread()
{
    return getpriority(PRIO_PROCESS, threadID());
}

void setNiceOfThisThread(int nice)
{
    setpriority(PRIO_PROCESS, threadID(), nice);
}

// The main thread's nice value, the level of interactive work. Not this thread's own: a thread
// started by a lowered one (oneTBB starts its workers from whichever thread needs them first)
// inherits the lowered value.
int normalNice()
{
    return getpriority(PRIO_PROCESS, id_t(getpid()));
}
#endif

void lowerThisThread()
{
#ifdef Q_OS_LINUX
    setNiceOfThisThread(std::min(normalNice() + kBackgroundNiceSteps, kLowestNice));
#else
    if (QThread* thread = QThread::currentThread())
        thread->setPriority(QThread::LowPriority);
#endif
}

// Raising a thread needs the right to (CAP_SYS_NICE, or RLIMIT_NICE on Linux). Without it the
// thread stays lowered: what runs on it later runs as background work, which slows it only while
// other programs load the machine.
void restoreThisThread()
{
#ifdef Q_OS_LINUX
    setNiceOfThisThread(normalNice());
#else
    if (QThread* thread = QThread::currentThread())
        thread->setPriority(QThread::NormalPriority);
#endif
}

// oneTBB's workers serve every arena: they are lowered while they work in the background arena
// and raised again when they leave it.
class LoweringObserver : public tbb::task_scheduler_observer {
public:
    explicit LoweringObserver(tbb::task_arena& arena) : tbb::task_scheduler_observer(arena) { observe(true); }
    ~LoweringObserver() override { observe(false); }

    void on_scheduler_entry(bool isWorker) override
    {
        if (isWorker)
            lowerThisThread();
    }
    void on_scheduler_exit(bool isWorker) override
    {
        if (isWorker)
            restoreThisThread();
    }
};

struct BackgroundArena {
    explicit BackgroundArena(int concurrency) : arena(concurrency, 1, tbb::task_arena::priority::low) {}
    // The low arena priority also hands workers to the main thread's loops first.
    tbb::task_arena arena;
    LoweringObserver observer{arena};
};

// Kept for the life of the process, never destroyed: oneTBB frees a stopped observer only once its
// workers next pass by, which at exit they never do.
BackgroundArena& backgroundArena(BackgroundCores cores)
{
    static BackgroundArena* const all = new BackgroundArena(backgroundConcurrency(BackgroundCores::all));
    static BackgroundArena* const allButOne = new BackgroundArena(backgroundConcurrency(BackgroundCores::allButOne));
    return cores == BackgroundCores::all ? *all : *allButOne;
}

}  // namespace

int backgroundConcurrency(BackgroundCores cores)
{
    const int everyCore = tbb::info::default_concurrency();
    return cores == BackgroundCores::all ? everyCore : std::max(1, everyCore - 1);
}

void runInBackground(const std::function<void()>& work, BackgroundCores cores)
{
    lowerThisThread();
    struct Restore {
        ~Restore() { restoreThisThread(); }
    } restore;
    backgroundArena(cores).arena.execute(work);
}

void startInBackground(std::function<void()> work, BackgroundCores cores, QThreadPool* pool)
{
    (pool ? pool : QThreadPool::globalInstance())->start([work = std::move(work), cores] { runInBackground(work, cores); });
}

int currentThreadNiceness()
{
#ifdef Q_OS_LINUX
    return niceOfThisThread();
#else
    const QThread* thread = QThread::currentThread();
    return thread ? int(QThread::NormalPriority) - int(thread->priority()) : 0;
#endif
}

}  // namespace velmaris
