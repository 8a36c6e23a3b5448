// profile_probe: runs profile-string calls in a process of its own, for tests
// that must survive what the calls might do to a process (block on a pipe, be
// killed by a signal, be killed mid-write) or that need a changed environment
// (another user, a private mount, a file-size limit).
//
// The arguments are steps, run in order; each step that answers prints one line:
//   as-nobody               drop to user and group 65534 (when running as root)
//   tmpfs DIR BYTES         mount a private tmpfs of BYTES on DIR (exit 77 when
//                           mounting is not allowed here)
//   remount-ro DIR          make the tmpfs on DIR read-only
//   fill DIR                fill the file system of DIR until it is full
//   limit BYTES             set the file-size limit (RLIMIT_FSIZE)
//   put PATH TEXT           write TEXT to PATH directly
//   read PATH SECTION KEY   prints the value read, default "<def>"
//   write PATH SECTION KEY VALUE   prints "written" or "refused"
//   cat PATH                prints the file's bytes with "\n" as "|", or "<none>"
//   ready                   prints "ready" and flushes
//   clock                   prints a monotonic clock in milliseconds
//   loop PATH               writes rounds of WriteLoopStepFor forever, from the
//                           round mgDelay shows in PATH
// Exit status 0 when every step ran, 2 on a usage error, 3 when a step failed.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <ctime>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/Profile.h"
#include "tests/tools/ProfileProbe.h"

namespace {

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

bool Put(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return (::close(fd) == 0) && ok;
}

std::string Cat(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return "<none>";
  std::string text;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  for (char& c : text)
    if (c == '\n') c = '|';
  return text;
}

bool Fill(const std::string& dir) {
  const int fd = ::open((dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string block(4096, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  // Bytes that did not fill a whole block.
  while (::write(fd, "f", 1) > 0) {
  }
  const bool full = errno == ENOSPC;
  ::close(fd);
  return full;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    auto arg = [&](int k) -> std::string {
      if (i + k >= argc) {
        std::fprintf(stderr, "profile_probe: %s needs %d arguments\n", step.c_str(), k);
        std::exit(2);
      }
      return argv[i + k];
    };
    if (step == "as-nobody") {
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
    } else if (step == "tmpfs") {
      const std::string dir = arg(1), size = "size=" + arg(2);
      i += 2;
      if (::unshare(CLONE_NEWNS) != 0 ||
          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          ::mount("tmpfs", dir.c_str(), "tmpfs", 0, size.c_str()) != 0) {
        std::fprintf(stderr, "profile_probe: cannot mount a tmpfs here: %s\n", std::strerror(errno));
        return 77;
      }
    } else if (step == "remount-ro") {
      const std::string dir = arg(1);
      i += 1;
      if (::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return 3;
    } else if (step == "fill") {
      if (!Fill(arg(1))) return 3;
      i += 1;
    } else if (step == "limit") {
      struct rlimit limit {};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = std::strtoull(arg(1).c_str(), nullptr, 10);
      i += 1;
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
    } else if (step == "put") {
      if (!Put(arg(1), arg(2))) return 3;
      i += 2;
    } else if (step == "read") {
      Say(platform::GetPrivateProfileString(arg(2), arg(3), "<def>", arg(1)));
      i += 3;
    } else if (step == "write") {
      const std::string key = arg(3), value = arg(4);
      Say(platform::WritePrivateProfileString(arg(2), key.c_str(), value.c_str(), arg(1))
              ? "written"
              : "refused");
      i += 4;
    } else if (step == "cat") {
      Say(Cat(arg(1)));
      i += 1;
    } else if (step == "clock") {
      struct timespec now {};
      ::clock_gettime(CLOCK_MONOTONIC, &now);
      Say(std::to_string(now.tv_sec * 1000LL + now.tv_nsec / 1000000));
    } else if (step == "ready") {
      Say("ready");
    } else if (step == "loop") {
      const std::string path = arg(1);
      // Goes on from the round the file shows, redoing it, so that the rounds
      // on disk only ever grow across killed writers.
      const std::string now = platform::GetPrivateProfileString("Edgetucker", "mgDelay", "1", path);
      for (unsigned n = std::max(1u, static_cast<unsigned>(std::strtoul(now.c_str(), nullptr, 10)));;
           ++n) {
        const WriteLoopStep s = WriteLoopStepFor(n);
        platform::WritePrivateProfileString("Edgetucker", "mgDelay", s.delay.c_str(), path);
        platform::WritePrivateProfileString("Edgetucker", "Extra",
                                            s.extra.empty() ? nullptr : s.extra.c_str(), path);
      }
    } else {
      std::fprintf(stderr, "profile_probe: unknown step %s\n", step.c_str());
      return 2;
    }
  }
  return 0;
}
