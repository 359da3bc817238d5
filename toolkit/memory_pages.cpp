#include "toolkit/memory_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace {

// Gives the system the advice for the whole pages within [begin, begin + bytes).
void AdviseWholePages(void* begin, size_t bytes, int advice) {
  static const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t first = (reinterpret_cast<uintptr_t>(begin) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(begin) + bytes) & ~(page - 1);
  if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, advice);
}

}  // namespace

void MapPagesForWriting(void* begin, size_t bytes) {
  // MADV_POPULATE_WRITE (Linux 5.14), named here for headers older than it.
  // A kernel older than it refuses it; the pages are then faulted in as written.
  constexpr int kPopulateWrite = 23;
#ifdef MADV_POPULATE_WRITE
  static_assert(kPopulateWrite == MADV_POPULATE_WRITE);
#endif
  AdviseWholePages(begin, bytes, kPopulateWrite);
}

void PreferLargePages([[maybe_unused]] void* begin, [[maybe_unused]] size_t bytes) {
#ifdef MADV_HUGEPAGE
  // The system maps a large page only where one fits wholly within the advised pages.
  AdviseWholePages(begin, bytes, MADV_HUGEPAGE);
#endif
}
