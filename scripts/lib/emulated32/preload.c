/* Loaded (LD_PRELOAD) into Wine's 32-bit loader when qemu-i386 runs it. It does what Wine's own preloader
 * would have done before the loader starts: reserve the ranges that 32-bit Windows code expects to own and
 * tell the loader where they are. Without it Wine's start-up probes the address space in 64 KB steps, and
 * qemu 7.2 (which takes MAP_FIXED_NOREPLACE only as a hint) fails every probe: a minute per process.
 *
 * Built with the native gcc -m32 -nostdlib against the i386 libc of the private root, so the few libc
 * prototypes it needs are declared here rather than included. */

typedef unsigned long size_t;

extern void *mmap(void *addr, size_t length, int prot, int flags, int fd, long offset);
extern int munmap(void *addr, size_t length);
extern int open(const char *path, int flags, ...);
extern long read(int fd, void *buf, size_t count);
extern int close(int fd);
extern int unsetenv(const char *name);

enum { PROT_NONE = 0, MAP_PRIVATE = 0x02, MAP_ANONYMOUS = 0x20, MAP_NORESERVE = 0x4000 };
#define MAP_FAILED ((void *)-1)
#define GRANULE 0x10000UL

/* The layout the loader reads: start and size of each reserved range, ended by a zero size. */
struct preload_area {
  void *addr;
  size_t size;
};

/* Exported by Wine's loader; ntdll looks it up when it sets up the address space. */
extern const struct preload_area *wine_main_preload_info;

/* The i386 ranges of Wine's preloader: DOS area, low memory, and the top-down area around 2 GB. */
static const struct { unsigned long start, end; } wanted[] = {
    {0x00010000UL, 0x00110000UL},
    {0x00110000UL, 0x68000000UL},
    {0x7f000000UL, 0x82000000UL},
};

#define MAX_USED 256
#define MAX_AREAS 32
static struct { unsigned long start, end; } used[MAX_USED];
static int used_count;
static struct preload_area areas[MAX_AREAS + 1];
static int area_count;

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

/* What is mapped already, from the guest's own view of /proc/self/maps ("start-end perms ..." lines). */
static void read_used_ranges(void) {
  static char buf[65536];
  long total = 0, n;
  int fd = open("/proc/self/maps", 0);
  if (fd < 0) return;
  while (total < (long)sizeof buf - 1 && (n = read(fd, buf + total, sizeof buf - 1 - total)) > 0) total += n;
  close(fd);
  buf[total] = 0;
  for (char *p = buf; *p && used_count < MAX_USED;) {
    unsigned long start = 0, end = 0;
    int d;
    while ((d = hex_digit(*p)) >= 0) start = start * 16 + (unsigned long)d, p++;
    if (*p == '-') p++;
    while ((d = hex_digit(*p)) >= 0) end = end * 16 + (unsigned long)d, p++;
    if (end > start) {
      used[used_count].start = start;
      used[used_count].end = end;
      used_count++;
    }
    while (*p && *p != '\n') p++;
    if (*p) p++;
  }
}

/* Reserves [start, end) at exactly that place, or nothing of it. */
static void reserve(unsigned long start, unsigned long end) {
  start = (start + GRANULE - 1) & ~(GRANULE - 1);
  end &= ~(GRANULE - 1);
  if (end <= start || area_count == MAX_AREAS) return;
  void *want = (void *)start;
  void *got = mmap(want, end - start, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (got == MAP_FAILED) return;
  if (got != want) {  /* taken only as a hint, and the place was not free */
    munmap(got, end - start);
    return;
  }
  areas[area_count].addr = want;
  areas[area_count].size = end - start;
  area_count++;
}

/* Each wanted range less what is already mapped in it. */
static void reserve_free_parts(unsigned long start, unsigned long end) {
  unsigned long at = start;
  for (int i = 0; i < used_count && at < end; i++) {
    if (used[i].end <= at || used[i].start >= end) continue;
    if (used[i].start > at) reserve(at, used[i].start);
    at = used[i].end;
  }
  if (at < end) reserve(at, end);
}

__attribute__((constructor)) static void reserve_wine_areas(void) {
  read_used_ranges();
  for (unsigned i = 0; i < sizeof wanted / sizeof wanted[0]; i++) reserve_free_parts(wanted[i].start, wanted[i].end);
  areas[area_count].addr = 0;
  areas[area_count].size = 0;
  wine_main_preload_info = areas;
  /* Children that are native 64-bit programs must not try to load this library. */
  unsetenv("LD_PRELOAD");
}
