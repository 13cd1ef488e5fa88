#include "files/MappedFile.h"

#include <QtGlobal>

#include <cstdint>
#include <mutex>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmaris {

#ifdef Q_OS_UNIX

namespace {

// The mappings the bus error handler answers for. A signal handler may take no lock: each slot is
// claimed and read through atomics, its range written before its flag is published.
struct GuardedRange {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<std::atomic<bool>*> changed{nullptr};
};

constexpr int kGuardedRanges = 64;
GuardedRange guardedRanges[kGuardedRanges];
std::uintptr_t pageSize = 4096;
struct sigaction previousBusAction {};

void onBusError(int signal, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedRange& range : guardedRanges) {
        std::atomic<bool>* changed = range.changed.load(std::memory_order_acquire);
        if (!changed || address < range.begin.load(std::memory_order_relaxed) ||
            address >= range.end.load(std::memory_order_relaxed))
            continue;
        // The file no longer reaches this page: zeros stand in for it, and the read goes on.
        void* page = reinterpret_cast<void*>(address & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        changed->store(true, std::memory_order_release);
        return;
    }
    // Not one of ours: whatever handled bus errors before does.
    if ((previousBusAction.sa_flags & SA_SIGINFO) && previousBusAction.sa_sigaction) {
        previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        previousBusAction.sa_handler(signal);
    } else {
        // Returning re-runs the faulting access, which now ends the process as it would have.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        ::sigaction(SIGBUS, &fallback, nullptr);
    }
}

void installBusErrorHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
    });
}

// Claims a slot for [begin, end), or null when all are taken.
GuardedRange* guard(std::uintptr_t begin, std::uintptr_t end, std::atomic<bool>* changed)
{
    static std::mutex claiming;
    const std::lock_guard lock(claiming);
    for (GuardedRange& range : guardedRanges) {
        if (range.changed.load(std::memory_order_relaxed))
            continue;
        range.begin.store(begin, std::memory_order_relaxed);
        range.end.store(end, std::memory_order_relaxed);
        range.changed.store(changed, std::memory_order_release);
        return &range;
    }
    return nullptr;
}

void unguard(const std::atomic<bool>* changed)
{
    for (GuardedRange& range : guardedRanges)
        if (range.changed.load(std::memory_order_relaxed) == changed)
            range.changed.store(nullptr, std::memory_order_release);
}

}  // namespace

std::shared_ptr<const MappedFile> MappedFile::map(int descriptor, qint64 limit)
{
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0 || status.st_size > limit)
        return nullptr;
    installBusErrorHandler();
    const auto size = std::size_t(status.st_size);
    const std::size_t regionSize = (size + kReadablePastEnd + pageSize - 1) & ~(pageSize - 1);
    // Zero pages first, then the file over their start: what lies past the file reads as zeros.
    void* region = ::mmap(nullptr, regionSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED)
        return nullptr;
    if (::mmap(region, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, descriptor, 0) == MAP_FAILED) {
        ::munmap(region, regionSize);
        return nullptr;
    }
    std::shared_ptr<MappedFile> mapped(new MappedFile(static_cast<char*>(region), regionSize, qsizetype(size)));
    const auto begin = reinterpret_cast<std::uintptr_t>(region);
    if (!guard(begin, begin + regionSize, &mapped->changed_))
        return nullptr;  // every guard is taken: the file is read instead
    return mapped;
}

MappedFile::~MappedFile()
{
    unguard(&changed_);
    ::munmap(region_, regionSize_);
}

#else

std::shared_ptr<const MappedFile> MappedFile::map(int, qint64)
{
    return nullptr;
}

MappedFile::~MappedFile() = default;

#endif

MappedFile::MappedFile(char* region, std::size_t regionSize, qsizetype size)
    : region_(region), regionSize_(regionSize), size_(size)
{
}

}  // namespace velmaris
