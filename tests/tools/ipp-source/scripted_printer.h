// A scripted IPP printer on loopback for the tests: one connection at a
// time, each answered by a function of the IPP operation asked for.
#ifndef DADAVIZI_TEST_SCRIPTED_PRINTER_H
#define DADAVIZI_TEST_SCRIPTED_PRINTER_H

#include <winsock2.h>

#include "ipp_messages.h"

#include <atomic>
#include <functional>
#include <string>

struct Reply {
    int httpStatus = 200;
    std::string body;
    bool chunked = false;
    // Event Wait Mode: the body is the first application/ipp part of a
    // multipart/related answer, and each part `more` gives (on the
    // server's thread, taking its time) is sent as it comes, until it
    // returns false or the client has gone.
    std::function<bool(std::string *part)> more;
    // A printer that stops answering: the connection closes, no answer.
    bool drop = false;
};

// One connection at a time, closed after each answer, as simple as HTTP/1.1
// allows. `answer` gets the IPP operation and runs on the server's thread;
// with `concurrent`, each connection has a thread of its own, so a held
// answer does not keep the next request waiting.
class ScriptedPrinter {
public:
    explicit ScriptedPrinter(std::function<Reply(int operation)> answer, bool concurrent = false)
        : answer_(answer), concurrent_(concurrent)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(listener_, 4);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        thread_ = CreateThread(NULL, 0, &ScriptedPrinter::Run, this, 0, NULL);
    }
    ~ScriptedPrinter()
    {
        stopping_ = true;
        closesocket(listener_);
        WaitForSingleObject(thread_, 10000);
        for (int waited = 0; connections_ > 0 && waited < 100; ++waited)
            Sleep(100);
        CloseHandle(thread_);
        WSACleanup();
    }
    std::string Uri() const { return "ipp://127.0.0.1:" + std::to_string(port) + "/ipp/print"; }
    int Count(int operation) { return counts_[Slot(operation)].load(); }

    int port = 0;

private:
    static DWORD WINAPI Run(void *parameter)
    {
        static_cast<ScriptedPrinter *>(parameter)->Serve();
        return 0;
    }

    struct Connection {
        ScriptedPrinter *printer;
        SOCKET client;
    };
    static DWORD WINAPI RunConnection(void *parameter)
    {
        Connection *connection = static_cast<Connection *>(parameter);
        connection->printer->Answer(connection->client);
        --connection->printer->connections_;
        delete connection;
        return 0;
    }

    void Serve()
    {
        while (!stopping_) {
            SOCKET client = accept(listener_, NULL, NULL);
            if (client == INVALID_SOCKET)
                return;
            if (!concurrent_) {
                Answer(client);
                continue;
            }
            ++connections_;
            Connection *connection = new Connection{this, client};
            HANDLE thread = CreateThread(NULL, 0, RunConnection, connection, 0, NULL);
            if (thread)
                CloseHandle(thread);
            else
                RunConnection(connection);
        }
    }

    void Answer(SOCKET client)
    {
        {
            std::string request;
            char buffer[4096];
            size_t headerEnd = std::string::npos;
            size_t want = 0;
            for (;;) {
                int got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, got);
                if (headerEnd == std::string::npos &&
                    (headerEnd = request.find("\r\n\r\n")) != std::string::npos) {
                    size_t at = request.find("Content-Length:");
                    want = headerEnd + 4 +
                           (at == std::string::npos ? 0 : atoi(request.c_str() + at + 15));
                }
                if (headerEnd != std::string::npos && request.size() >= want)
                    break;
            }
            int operation = -1;
            if (headerEnd != std::string::npos && request.size() >= headerEnd + 8) {
                const unsigned char *body =
                    reinterpret_cast<const unsigned char *>(request.data() + headerEnd + 4);
                operation = (body[2] << 8) | body[3];
            }
            ++counts_[Slot(operation)];
            Reply reply = answer_(operation);
            if (reply.drop) {
                closesocket(client);
                return;
            }
            std::string response =
                "HTTP/1.1 " + std::to_string(reply.httpStatus) + " Whatever\r\nContent-Type: " +
                (reply.more ? "multipart/related; boundary=\"PART\"" : "application/ipp") +
                "\r\nConnection: close\r\n";
            if (reply.more) {
                // The body ends when the connection closes. (Wine's WinHTTP
                // hands on a chunk of a chunked body only when the next one
                // begins, which would hold each event back by one.)
                response += "\r\n";
                bool sent = Send(client, response + Part(reply.body));
                std::string part;
                while (sent && reply.more(&part))
                    sent = Send(client, Part(part));
                if (sent)
                    Send(client, "--PART--\r\n");
                response.clear();
            } else if (reply.chunked) {
                response += "Transfer-Encoding: chunked\r\n\r\n";
                // Small, uneven chunks.
                for (size_t at = 0; at < reply.body.size(); at += 7) {
                    std::string piece = reply.body.substr(at, 7);
                    char size[16];
                    wsprintfA(size, "%x\r\n", static_cast<unsigned>(piece.size()));
                    response += size + piece + "\r\n";
                }
                response += "0\r\n\r\n";
            } else {
                response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" +
                            reply.body;
            }
            if (!response.empty())
                Send(client, response);
            shutdown(client, SD_SEND);
            while (recv(client, buffer, sizeof buffer, 0) > 0) {
            }
            closesocket(client);
        }
    }

    static bool Send(SOCKET client, const std::string &data)
    {
        return send(client, data.data(), static_cast<int>(data.size()), 0) ==
               static_cast<int>(data.size());
    }
    static std::string Part(const std::string &body)
    {
        return "--PART\r\nContent-Type: application/ipp\r\n\r\n" + body + "\r\n";
    }

    std::function<Reply(int)> answer_;
    bool concurrent_;
    std::atomic<int> connections_{0};
    SOCKET listener_;
    HANDLE thread_;
    std::atomic<bool> stopping_{false};
    // Requests by operation; anything else counts in slot 0.
    static int Slot(int operation) { return operation > 0 && operation < 64 ? operation : 0; }
    std::atomic<int> counts_[64] = {};
};

// A Get-Printer-Attributes answer: state, one reason, no jobs.
inline Message PrinterAnswer(int state, const std::string &reason)
{
    Message message(0);
    message.Group(0x01)
        .Value(0x47, "attributes-charset", "utf-8")
        .Value(0x48, "attributes-natural-language", "en")
        .Group(0x04)
        .Integer(0x23, "printer-state", state)
        .Value(0x44, "printer-state-reasons", reason)
        .Integer(0x21, "queued-job-count", 0)
        .End();
    return message;
}

#endif
