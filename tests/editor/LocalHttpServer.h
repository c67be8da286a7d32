#pragma once

// A small HTTP server of the tests' own on 127.0.0.1, on a thread of its own: it records the
// requests it receives and answers each as told (a reply, a body of megabytes, or silence). It
// stops by itself when the test ends; every wait in it is bounded.
#include "editor/LocalSocket.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorlunda::test {

class LocalHttpServer {
public:
    enum class Mode {
        kReply,  // status line, Content-Length, Connection: close, then the body
        kSilent, // accepts, reads the request, never answers
        kHuge,   // announces and streams hugeBytes of digits
    };

    LocalHttpServer(Mode mode, int status = 200, std::string body = "")
        : mode(mode), status(status), body(std::move(body)) {
        listener = sockets::Listen(&port);
        if (listener != sockets::kInvalid)
            worker = std::thread([this] { Serve(); });
    }
    ~LocalHttpServer() {
        stop = true;
        if (worker.joinable())
            worker.join();
        sockets::Close(listener);
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool Listening() const { return listener != sockets::kInvalid; }
    int Port() const { return port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port); }
    // The requests received so far, each up to and including its blank line.
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> guard(lock);
        return requests;
    }

    // A port on 127.0.0.1 where nothing listens: opened, read and closed again.
    static int ClosedPort() {
        int free = 0;
        const sockets::Handle h = sockets::Listen(&free);
        sockets::Close(h);
        return free;
    }

    std::size_t hugeBytes = 4u << 20; // 4 MiB

private:
    static constexpr int kPollMs = 20;
    static constexpr auto kLongest = std::chrono::seconds(60); // the server stops by itself

    void Serve() {
        const auto end = std::chrono::steady_clock::now() + kLongest;
        while (!stop && std::chrono::steady_clock::now() < end) {
            const sockets::Handle client = sockets::Accept(listener, kPollMs);
            if (client == sockets::kInvalid)
                continue;
            Handle(client, end);
            sockets::Close(client);
        }
    }

    void Handle(sockets::Handle client, std::chrono::steady_clock::time_point end) {
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && !stop &&
               std::chrono::steady_clock::now() < end) {
            const int n = sockets::Receive(client, buffer, sizeof buffer, kPollMs);
            if (n == -2)
                continue;
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard<std::mutex> guard(lock);
            requests.push_back(request);
        }
        if (mode == Mode::kSilent) {
            // Hold the connection open, answering nothing, until the test is over.
            while (!stop && std::chrono::steady_clock::now() < end)
                sockets::Receive(client, buffer, sizeof buffer, kPollMs);
            return;
        }
        const std::size_t length = mode == Mode::kHuge ? hugeBytes : body.size();
        const std::string head =
            "HTTP/1.1 " + std::to_string(status) + " " + (status == 200 ? "OK" : "Not Found") +
            "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(length) +
            "\r\nConnection: close\r\n\r\n";
        if (!sockets::SendAll(client, head.data(), head.size()))
            return;
        if (mode == Mode::kReply) {
            sockets::SendAll(client, body.data(), body.size());
            return;
        }
        const std::string chunk(65536, '7');
        for (std::size_t sent = 0; sent < length && !stop; sent += chunk.size()) {
            if (!sockets::SendAll(client, chunk.data(), std::min(chunk.size(), length - sent)))
                return; // the client gave up, as it should
        }
    }

    Mode mode;
    int status;
    std::string body;
    int port = 0;
    sockets::Handle listener = sockets::kInvalid;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<std::string> requests;
    std::thread worker;
};

} // namespace vorlunda::test
