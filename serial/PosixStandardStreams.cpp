#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "serial/StandardStreams.h"

namespace vemora {

void GuardStandardStreams() {
    signal(SIGPIPE, SIG_IGN);
    for (int fd = 0; fd <= 2; ++fd) {
        // open() takes the lowest free descriptor: the closed one, as those below it are open.
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF && open("/dev/null", O_RDWR) != fd) {
            return;
        }
    }
}

}  // namespace vemora
