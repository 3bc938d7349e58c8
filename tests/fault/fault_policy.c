/* Decides which I/O calls fail, for libfiu's POSIX preload library.
 *
 * Preloaded after fiu_posix_preload.so, it registers one decision function on
 * the failure points named below, so the two sessions of a campaign are
 * reproducible: the Nth call of a run, or each call at random from a seed.
 * It also wraps openat and mkstemp, which the libfiu preload leaves alone (a
 * temporary file that cannot be created is a fault the writers must meet).
 *
 * Environment:
 *   NRT_FAULT_NTH=N     fail the Nth counted call only (1-based); a list
 *                       "N,M,..." fails each of them
 *   NRT_FAULT_POINT=P   count only the calls of failure point P (e.g.
 *                       posix/stdio/remove), for faults aimed at one call
 *   NRT_FAULT_SEED=S    with NRT_FAULT_PERMILLE=P: fail each call with
 *   NRT_FAULT_PERMILLE=P  probability P/1000, from the seed S
 *   NRT_FAULT_ERRNO=E   the errno of a failed call (default EIO)
 *   NRT_FAULT_LOG=PATH  appends one line per failed call ("fault N POINT")
 *                       and, at exit, "calls N": the number of counted calls
 * Without NRT_FAULT_NTH and NRT_FAULT_SEED nothing fails; the calls are
 * still counted, which is how a campaign learns how many call sites a run
 * has.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <fiu-control.h>
#include <fiu.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

/* The calls an output or working file goes through, from creation to removal. */
static const char* const kPoints[] = {
    "posix/io/oc/open",      "posix/io/oc/close",     "posix/io/rw/read",
    "posix/io/rw/write",     "posix/io/rw/writev",    "posix/io/sync/fsync",
    "posix/io/dir/rename",   "posix/io/dir/unlink",   "posix/stdio/remove",
    "posix/stdio/oc/fopen",  "posix/stdio/oc/fclose", "posix/stdio/rw/fread",
    "posix/stdio/rw/fwrite", "posix/stdio/fflush",
};

static unsigned long calls;
static unsigned long nth[16];
static const char* only_point;
static unsigned long permille;
static uint64_t random_state;
static long failure_errno = EIO;
static int log_fd = -1;
static int active;

/* Written with the system call itself: write() is one of the wrapped calls. */
static void log_line(const char* format, ...) {
  if (log_fd < 0) return;
  char line[256];
  va_list args;
  va_start(args, format);
  const int length = vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length > 0) syscall(SYS_write, log_fd, line, (size_t)length);
}

/* xorshift64*: the same seed gives the same faults on every machine. */
static unsigned long next_random(void) {
  random_state ^= random_state >> 12;
  random_state ^= random_state << 25;
  random_state ^= random_state >> 27;
  return (unsigned long)((random_state * 2685821657736338717ULL) >> 33);
}

static int chosen(unsigned long call) {
  for (size_t i = 0; i < sizeof nth / sizeof nth[0] && nth[i] != 0; ++i)
    if (nth[i] == call) return 1;
  return 0;
}

static int decide(const char* name) {
  if (!active || (only_point != NULL && strcmp(name, only_point) != 0)) return 0;
  ++calls;
  const int fail = chosen(calls) || (permille != 0 && next_random() % 1000 < permille);
  if (fail) log_line("fault %lu %s\n", calls, name);
  return fail;
}

static int decide_point(const char* name, int* failnum, void** failinfo, unsigned int* flags) {
  (void)failnum;
  (void)flags;
  *failinfo = (void*)failure_errno;
  return decide(name);
}

static unsigned long number_from(const char* variable) {
  const char* text = getenv(variable);
  return text == NULL ? 0 : strtoul(text, NULL, 10);
}

__attribute__((constructor)) static void start(void) {
  const char* numbers = getenv("NRT_FAULT_NTH");
  for (size_t i = 0; numbers != NULL && *numbers != '\0' && i < sizeof nth / sizeof nth[0]; ++i) {
    char* end = NULL;
    nth[i] = strtoul(numbers, &end, 10);
    numbers = *end == ',' ? end + 1 : "";
  }
  only_point = getenv("NRT_FAULT_POINT");
  permille = number_from("NRT_FAULT_PERMILLE");
  random_state = number_from("NRT_FAULT_SEED") * 0x9E3779B97F4A7C15ULL + 1;
  if (getenv("NRT_FAULT_ERRNO") != NULL) failure_errno = (long)number_from("NRT_FAULT_ERRNO");
  if (getenv("NRT_FAULT_SEED") == NULL) permille = 0;
  const char* log_path = getenv("NRT_FAULT_LOG");
  if (log_path != NULL)
    log_fd = (int)syscall(SYS_openat, AT_FDCWD, log_path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                          0644);
  fiu_init(0);
  for (size_t i = 0; i < sizeof kPoints / sizeof kPoints[0]; ++i)
    fiu_enable_external(kPoints[i], 1, (void*)failure_errno, 0, decide_point);
  active = 1;
}

__attribute__((destructor)) static void finish(void) {
  active = 0;
  log_line("calls %lu\n", calls);
}

int openat(int dirfd, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list args;
    va_start(args, flags);
    mode = (mode_t)va_arg(args, int);
    va_end(args);
  }
  if (decide("nrt/openat")) {
    errno = (int)failure_errno;
    return -1;
  }
  static int (*real_openat)(int, const char*, int, ...);
  if (real_openat == NULL) *(void**)&real_openat = dlsym(RTLD_NEXT, "openat");
  return real_openat(dirfd, path, flags, mode);
}

int mkstemp(char* template_name) {
  if (decide("nrt/mkstemp")) {
    errno = (int)failure_errno;
    return -1;
  }
  static int (*real_mkstemp)(char*);
  if (real_mkstemp == NULL) *(void**)&real_mkstemp = dlsym(RTLD_NEXT, "mkstemp");
  return real_mkstemp(template_name);
}
