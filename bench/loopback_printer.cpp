// A printer on the loopback interface for timing whole processes against each other: it answers
// every real-time status request (DLE EOT n) with "online, nothing wrong" and every
// transmit-status request (GS r n) with "paper present", at once, and prints nothing. One client
// at a time, until it is killed.
//   loopback_printer PORT
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: loopback_printer PORT\n");
        return 2;
    }
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[1])));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 4) != 0) {
        std::perror("loopback_printer");
        return 1;
    }
    for (;;) {
        const int client = ::accept(server, nullptr, nullptr);
        if (client < 0)
            continue;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        // The state of a command split across reads: 0 none, else the byte that began it.
        int pending = 0;
        unsigned char in[4096];
        unsigned char out[4096];
        for (ssize_t n; (n = ::read(client, in, sizeof in)) > 0;) {
            size_t replies = 0;
            for (ssize_t i = 0; i < n; ++i) {
                const unsigned char c = in[i];
                if (pending == 0x10 || pending == 0x1D) {
                    pending = pending * 256 + c; // DLE or GS, then its second byte
                } else if (pending == 0x1004) {
                    out[replies++] = 0x12;
                    pending = 0;
                } else if (pending == 0x1D72) {
                    out[replies++] = 0x00;
                    pending = 0;
                } else if (pending != 0) {
                    pending = 0; // another DLE or GS command: its further bytes are data here
                } else if (c == 0x10 || c == 0x1D) {
                    pending = c;
                }
            }
            if (replies > 0 && ::write(client, out, replies) != static_cast<ssize_t>(replies))
                break;
        }
        ::close(client);
    }
}
