// A scripted IPP printer for native tests: a TCP listener on port 631 of a
// loopback address, served by its own thread while the object lives. Each
// connection gets the answer scripted for the resource its POST names (or a
// 404) and is closed; answers are sent in small pieces, to be put together.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

class IppResponder {
public:
    // An IPP Get-Printer-Attributes answer: status, printer-device-id (none when
    // empty) and document-format-supported.
    static std::string Attributes(int status, const std::string& deviceId, const std::vector<std::string>& formats) {
        std::string ipp = {2, 0, static_cast<char>(status >> 8), static_cast<char>(status), 0, 0, 0, 1, 1};
        auto put = [&ipp](char tag, const std::string& name, const std::string& value) {
            ipp += tag;
            ipp += {static_cast<char>(name.size() >> 8), static_cast<char>(name.size())};
            ipp += name;
            ipp += {static_cast<char>(value.size() >> 8), static_cast<char>(value.size())};
            ipp += value;
        };
        put(0x47, "attributes-charset", "utf-8");
        put(0x48, "attributes-natural-language", "en");
        ipp += '\x04';   // printer attributes
        if (!deviceId.empty()) put(0x41, "printer-device-id", deviceId);
        for (std::size_t i = 0; i < formats.size(); ++i) put(0x49, i ? "" : "document-format-supported", formats[i]);
        return ipp + '\x03';
    }
    // The HTTP answer around it, with a Content-Length or chunked.
    static std::string Http(const std::string& body, bool chunked, int status = 200) {
        std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: application/ipp\r\n";
        if (!chunked) return head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        std::string out = head + "Transfer-Encoding: chunked\r\n\r\n";
        for (std::size_t at = 0; at < body.size(); at += 7) {
            std::string piece = body.substr(at, 7);
            char size[8];
            std::snprintf(size, sizeof(size), "%zx", piece.size());
            out += std::string(size) + "\r\n" + piece + "\r\n";
        }
        return out + "0\r\n\r\n";
    }

    IppResponder(const std::string& address, std::map<std::string, std::string> answers)
        : m_answers(std::move(answers)) {
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
    ~IppResponder() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_fd >= 0) close(m_fd);
    }
    bool ok() const { return m_ok; }
    int requests() const { return m_requests; }

private:
    void Serve() {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            int c = accept(m_fd, nullptr, nullptr);
            if (c < 0) continue;
            std::string request;
            char buffer[4096];
            for (;;) {   // the head and the body its Content-Length announces
                std::size_t end = request.find("\r\n\r\n");
                std::size_t length = request.find("Content-Length: ");
                if (end != std::string::npos && length != std::string::npos &&
                    request.size() >= end + 4 + std::stoul(request.substr(length + 16))) break;
                pollfd q{c, POLLIN, 0};
                if (poll(&q, 1, 2000) <= 0) break;
                ssize_t got = recv(c, buffer, sizeof(buffer), 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            ++m_requests;
            const std::string resource = request.substr(5, request.find(' ', 5) - 5);
            auto it = m_answers.find(resource);
            const std::string answer = it != m_answers.end() ? it->second : Http("", false, 404);
            for (std::size_t at = 0; at < answer.size(); at += 50) {
                send(c, answer.data() + at, std::min<std::size_t>(50, answer.size() - at), MSG_NOSIGNAL);
            }
            close(c);
        }
    }

    std::map<std::string, std::string> m_answers;
    int m_fd = -1;
    bool m_ok = false;
    std::atomic<int> m_requests{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
