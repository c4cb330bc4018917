// The exchange a confirmed synchronous line makes, in plain C on a blocking socket, for timing
// the headless runner against it as whole processes: for every line of FILE, one send of the
// status request, the line and the transmit-status request, then reads until the three status
// bytes and the transmit-status byte are in.
//   plain_line_client PORT FILE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: plain_line_client PORT FILE\n");
        return 2;
    }
    FILE* file = std::fopen(argv[2], "r");
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[1])));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (file == nullptr || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address)) {
        std::perror("plain_line_client");
        return 1;
    }
    const char status[] = "\x10\x04\x01\x10\x04\x02\x10\x04\x04";
    const char transmit[] = "\x1d\x72\x01";
    char line[4096];
    std::string exchange;
    long lines = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        exchange.assign(status, sizeof status - 1);
        exchange.append(line);
        exchange.append(transmit, sizeof transmit - 1);
        if (::send(fd, exchange.data(), exchange.size(), 0) !=
            static_cast<ssize_t>(exchange.size()))
            return 1;
        char reply[4];
        for (size_t got = 0; got < sizeof reply;) {
            const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (n <= 0)
                return 1;
            got += static_cast<size_t>(n);
        }
        if (reply[3] != 0)
            return 1;
        ++lines;
    }
    std::printf("%ld lines confirmed\n", lines);
    return 0;
}
