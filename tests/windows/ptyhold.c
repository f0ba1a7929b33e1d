/* Host-side helper for the Wine tests: opens one pseudo-terminal per port name, writes
 * "<name> <slave path>" lines to <dir>/ports.txt, then detaches and copies whatever arrives on
 * each master to <dir>/received-<name>. It holds a slave descriptor itself so the master never sees
 * a hang-up between Wine's opens, and it exits by itself after <seconds> or on SIGTERM.
 *
 * Usage: orv_ptyhold <dir> <seconds> <name>...   (prints nothing; exit 0 once ports.txt exists) */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

enum { kMaxPorts = 8 };

static volatile sig_atomic_t stopRequested;

static void onTerm(int sig)
{
    (void)sig;
    stopRequested = 1;
}

static int fail(const char* what)
{
    fprintf(stderr, "orv_ptyhold: %s: %s\n", what, strerror(errno));
    return 1;
}

int main(int argc, char** argv)
{
    if (argc < 4 || argc - 3 > kMaxPorts) {
        fprintf(stderr, "usage: %s <dir> <seconds> <name>... (at most %d names)\n", argv[0],
                kMaxPorts);
        return 2;
    }
    const char* dir = argv[1];
    const long seconds = strtol(argv[2], NULL, 10);
    const int count = argc - 3;
    int masters[kMaxPorts], slaves[kMaxPorts], captures[kMaxPorts];
    char path[4096], tmpPath[4096];

    snprintf(tmpPath, sizeof tmpPath, "%s/ports.txt.tmp", dir);
    FILE* list = fopen(tmpPath, "w");
    if (!list)
        return fail(tmpPath);
    for (int i = 0; i < count; ++i) {
        masters[i] = posix_openpt(O_RDWR | O_NOCTTY);
        if (masters[i] < 0 || grantpt(masters[i]) != 0 || unlockpt(masters[i]) != 0)
            return fail("posix_openpt");
        const char* slaveName = ptsname(masters[i]);
        if (!slaveName)
            return fail("ptsname");
        slaves[i] = open(slaveName, O_RDWR | O_NOCTTY);
        if (slaves[i] < 0)
            return fail(slaveName);
        /* Raw, so every byte written on the Windows side arrives unchanged. */
        struct termios t;
        if (tcgetattr(slaves[i], &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slaves[i], TCSANOW, &t);
        }
        /* Not "COM5.in": Windows takes any name "COM1".."COM9" plus extension for the device. */
        snprintf(path, sizeof path, "%s/received-%s", dir, argv[3 + i]);
        captures[i] = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (captures[i] < 0)
            return fail(path);
        fprintf(list, "%s %s\n", argv[3 + i], slaveName);
    }
    if (fclose(list) != 0)
        return fail(tmpPath);

    const pid_t child = fork();
    if (child < 0)
        return fail("fork");
    if (child > 0) {
        /* ports.txt appears only once the holder runs, so a reader never sees half a list. */
        snprintf(path, sizeof path, "%s/ptyhold.pid", dir);
        FILE* pidFile = fopen(path, "w");
        if (!pidFile || fprintf(pidFile, "%ld\n", (long)child) < 0 || fclose(pidFile) != 0)
            return fail(path);
        snprintf(path, sizeof path, "%s/ports.txt", dir);
        if (rename(tmpPath, path) != 0)
            return fail(path);
        return 0;
    }

    /* Detached: no descriptor of the caller's (CTest's pipes) may stay open here. */
    setsid();
    const int devNull = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        dup2(devNull, fd);
    const int maxFd = (int)sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < maxFd; ++fd) {
        int ours = 0;
        for (int i = 0; i < count; ++i)
            ours |= fd == masters[i] || fd == slaves[i] || fd == captures[i];
        if (!ours)
            close(fd);
    }
    signal(SIGTERM, onTerm);
    signal(SIGINT, onTerm);
    signal(SIGHUP, SIG_IGN);

    const time_t deadline = time(NULL) + seconds;
    struct pollfd fds[kMaxPorts];
    for (int i = 0; i < count; ++i)
        fds[i] = (struct pollfd){.fd = masters[i], .events = POLLIN};
    while (!stopRequested && time(NULL) < deadline) {
        if (poll(fds, (nfds_t)count, 200) <= 0)
            continue;
        for (int i = 0; i < count; ++i) {
            if (!(fds[i].revents & POLLIN)) {
                if (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL))
                    fds[i].fd = -1; /* cannot happen while we hold the slave; never spin */
                continue;
            }
            char buffer[4096];
            const ssize_t n = read(masters[i], buffer, sizeof buffer);
            if (n > 0 && write(captures[i], buffer, (size_t)n) != n)
                return 1;
        }
    }
    return 0;
}
