// A scripted IPP printer for native tests on TCP port 631 of a loopback address,
// served one connection at a time by its own thread. Every POST is answered after
// `delayMs`: Get-Printer-Attributes with the request's id at the resources it
// serves, 404 elsewhere. It records the resources asked.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackIpp {
public:
    struct Script {
        std::vector<std::string> served;
        std::string deviceId;               // printer-device-id; none when empty
        std::vector<std::string> formats;   // document-format-supported
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
        if (bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(m_fd, 8) != 0) return;
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackIpp() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        close(m_fd);
    }
    bool ok() const { return m_thread.joinable(); }
    std::vector<std::string> resources() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_resources;
    }

private:
    static std::string Attribute(char tag, const std::string& name, const std::string& value) {
        const auto length = [](const std::string& s) { return std::string{char(s.size() >> 8), char(s.size())}; };
        return tag + length(name) + name + length(value) + value;
    }

    std::string Answer(const std::string& resource, const std::string& requestId) const {
        bool served = false;
        for (const std::string& r : m_script.served) served |= r == resource;
        if (!served) return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
        std::string ipp = std::string("\x01\x01\x00\x00", 4) + requestId + "\x01" +
                          Attribute(0x47, "attributes-charset", "utf-8") +
                          Attribute(0x48, "attributes-natural-language", "en") + "\x04";
        if (!m_script.deviceId.empty()) ipp += Attribute(0x41, "printer-device-id", m_script.deviceId);
        for (const std::string& f : m_script.formats)
            ipp += Attribute(0x49, &f == &m_script.formats[0] ? "document-format-supported" : "", f);
        return "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " +
               std::to_string(ipp.size() + 1) + "\r\n\r\n" + ipp + "\x03";
    }

    // The whole request (its head and a body of Content-Length), or "" when
    // the client went away or the printer is stopping.
    std::string Request(int fd) {
        std::string in;
        char buffer[4096];
        for (;;) {
            const std::size_t head = in.find("\r\n\r\n"), length = in.find("Content-Length: ");
            if (head != std::string::npos && in.size() >= head + 4 + std::stoul(in.substr(length + 16))) return in;
            pollfd p{fd, POLLIN, 0};
            if (m_stop || poll(&p, 1, 20) < 0) return "";
            if (!p.revents) continue;
            const ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
            if (got <= 0) return "";
            in.append(buffer, static_cast<std::size_t>(got));
        }
    }

    void Serve() {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const int fd = accept(m_fd, nullptr, nullptr);
            const std::string in = Request(fd);
            if (!in.empty()) {
                const std::string resource = in.substr(5, in.find(' ', 5) - 5);   // "POST <resource> HTTP/1.1"
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_resources.push_back(resource);
                }
                const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_script.delayMs);
                while (!m_stop && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                const std::string answer = Answer(resource, in.substr(in.find("\r\n\r\n") + 8, 4));
                send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            }
            close(fd);
        }
    }

    Script m_script;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_resources;
    std::thread m_thread;
};
