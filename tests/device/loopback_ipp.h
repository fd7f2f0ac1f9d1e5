// A scripted IPP printer for native tests: TCP port 631 of a loopback address,
// served by its own thread while the object lives. Every POST is answered
// after `delayMs`: Get-Printer-Attributes with the request's own id for the
// resources it serves, 404 for the others. It records the resources asked.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackIpp {
public:
    struct Script {
        std::vector<std::string> served = {"/ipp/print"};
        std::string deviceId;                // printer-device-id; none when empty
        std::vector<std::string> formats;    // document-format-supported
        int delayMs = 0;
    };

    LoopbackIpp(const std::string& address, Script script) : m_script(std::move(script)) {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(631);
        inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(m_fd, 8) != 0) return;
        m_ok = true;
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackIpp() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_fd >= 0) close(m_fd);
    }
    LoopbackIpp(const LoopbackIpp&) = delete;
    LoopbackIpp& operator=(const LoopbackIpp&) = delete;

    bool ok() const { return m_ok; }
    std::vector<std::string> resources() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_resources;
    }

private:
    using Bytes = std::vector<std::uint8_t>;

    static void Put(Bytes& out, std::uint8_t tag, const std::string& name, const std::string& value) {
        out.push_back(tag);
        for (const std::string* s : {&name, &value}) {
            out.push_back(static_cast<std::uint8_t>(s->size() >> 8));
            out.push_back(static_cast<std::uint8_t>(s->size()));
            out.insert(out.end(), s->begin(), s->end());
        }
    }

    std::string Answer(const std::string& resource, const std::string& requestId) const {
        bool served = false;
        for (const std::string& r : m_script.served) served |= r == resource;
        if (!served) return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        Bytes ipp = {0x01, 0x01, 0x00, 0x00};
        ipp.insert(ipp.end(), requestId.begin(), requestId.end());
        ipp.push_back(0x01);
        Put(ipp, 0x47, "attributes-charset", "utf-8");
        Put(ipp, 0x48, "attributes-natural-language", "en");
        ipp.push_back(0x04);
        if (!m_script.deviceId.empty()) Put(ipp, 0x41, "printer-device-id", m_script.deviceId);
        for (std::size_t i = 0; i < m_script.formats.size(); ++i)
            Put(ipp, 0x49, i ? "" : "document-format-supported", m_script.formats[i]);
        ipp.push_back(0x03);
        return "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " + std::to_string(ipp.size()) +
               "\r\nConnection: close\r\n\r\n" + std::string(ipp.begin(), ipp.end());
    }

    // One connection: the whole request, the delay, the answer, the close.
    void Converse(int fd) {
        std::string in;
        char buffer[4096];
        for (;;) {
            const std::size_t head = in.find("\r\n\r\n");
            if (head != std::string::npos) {
                const std::size_t length = in.find("Content-Length: ");
                const std::size_t body = length == std::string::npos ? 0 : std::stoul(in.substr(length + 16));
                if (in.size() >= head + 4 + body) break;
            }
            pollfd p{fd, POLLIN, 0};
            if (m_stop || poll(&p, 1, 20) < 0) return;
            if (!(p.revents & POLLIN)) continue;
            const ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
            if (got <= 0) return;
            in.append(buffer, static_cast<std::size_t>(got));
        }
        const std::string resource = in.substr(5, in.find(' ', 5) - 5);   // "POST <resource> HTTP/1.1"
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_resources.push_back(resource);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_script.delayMs);
        while (!m_stop && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::string answer = Answer(resource, in.substr(in.find("\r\n\r\n") + 8, 4));
        send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    }

    void Serve() {
        std::vector<std::thread> conversations;
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const int fd = accept(m_fd, nullptr, nullptr);
            if (fd < 0) continue;
            conversations.emplace_back([this, fd] {
                Converse(fd);
                close(fd);
            });
        }
        for (std::thread& t : conversations) t.join();
    }

    Script m_script;
    int m_fd = -1;
    bool m_ok = false;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_resources;
    std::thread m_thread;
};
