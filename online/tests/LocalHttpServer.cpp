#include <winsock2.h>
#include <ws2tcpip.h>

#include "online/tests/LocalHttpServer.h"

#include <algorithm>
#include <cstdlib>

namespace
{
bool SendAll(SOCKET socket, const char* data, size_t length)
{
    while (length > 0) {
        int sent = send(socket, data, static_cast<int>(std::min<size_t>(length, 1 << 20)), 0);
        if (sent <= 0)
            return false;
        data += sent;
        length -= sent;
    }
    return true;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

CLocalHttpServer::Request ParseRequest(const std::string& raw, size_t headerEnd)
{
    CLocalHttpServer::Request request;
    request.raw = raw;
    request.body = raw.substr(headerEnd + 4);
    size_t lineStart = 0;
    bool first = true;
    while (lineStart < headerEnd) {
        size_t lineEnd = raw.find("\r\n", lineStart);
        if (lineEnd == std::string::npos || lineEnd > headerEnd)
            lineEnd = headerEnd;
        std::string line = raw.substr(lineStart, lineEnd - lineStart);
        if (first) {
            size_t space = line.find(' ');
            size_t space2 = line.find(' ', space + 1);
            request.method = line.substr(0, space);
            request.target = line.substr(space + 1, space2 - space - 1);
            first = false;
        } else {
            request.headerLines.push_back(line);
        }
        lineStart = lineEnd + 2;
    }
    return request;
}
} // namespace

std::string CLocalHttpServer::Request::Header(const std::string& name) const
{
    std::string prefix = Lower(name) + ":";
    for (const std::string& line : headerLines) {
        if (Lower(line.substr(0, prefix.size())) == prefix) {
            size_t start = line.find_first_not_of(" \t", prefix.size());
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return std::string();
}

bool CLocalHttpServer::Request::HeadersStartWith(const std::vector<std::string>& lines) const
{
    if (headerLines.size() < lines.size() || !std::equal(lines.begin(), lines.end(), headerLines.begin()))
        return false;
    for (size_t i = lines.size(); i < headerLines.size(); ++i) {
        const std::string name = Lower(headerLines[i].substr(0, headerLines[i].find(':') + 1));
        for (const std::string& line : lines)
            if (Lower(line.substr(0, line.find(':') + 1)) == name)
                return false;
    }
    return true;
}

CLocalHttpServer::CLocalHttpServer()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

CLocalHttpServer::~CLocalHttpServer()
{
    Stop();
    WSACleanup();
}

bool CLocalHttpServer::Start(unsigned short port)
{
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof(address);
    // A fixed port is taken again right after the last run's connections
    // closed, some of which still wait out their time.
    BOOL reuse = TRUE;
    if (port)
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }
    port_ = ntohs(address.sin_port);
    stopped_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void CLocalHttpServer::Stop()
{
    if (stopped_)
        SetEvent(stopped_);
    if (listener_ != INVALID_SOCKET) {
        // Closing the listener ends the blocked accept.
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (thread_.joinable())
        thread_.join();
    for (uintptr_t client : stalled_)
        closesocket(client);
    stalled_.clear();
    if (stopped_)
        CloseHandle(stopped_);
    stopped_ = nullptr;
}

CString CLocalHttpServer::Host() const
{
    CString host;
    host.Format(L"127.0.0.1:%u", port_);
    return host;
}

void CLocalHttpServer::SetAnswer(const std::string& target, const Answer& answer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[target] = answer;
}

std::vector<CLocalHttpServer::Request> CLocalHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void CLocalHttpServer::ClearRequests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

CLocalHttpServer::Answer CLocalHttpServer::FindAnswer(const std::string& target) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = answers_.find(target);
    if (found == answers_.end())
        found = answers_.find(target.substr(0, target.find('?')));
    if (found != answers_.end())
        return found->second;
    Answer missing;
    missing.status = 404;
    missing.body = "not found";
    return missing;
}

void CLocalHttpServer::Serve()
{
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        if (HandleConnection(client))
            closesocket(client);
        else
            stalled_.push_back(client);
    }
}

bool CLocalHttpServer::HandleConnection(uintptr_t client)
{
    std::string raw;
    char buffer[65536];
    size_t headerEnd = std::string::npos;
    size_t wanted = 0;
    for (;;) {
        if (headerEnd == std::string::npos) {
            headerEnd = raw.find("\r\n\r\n");
            if (headerEnd != std::string::npos) {
                Request head = ParseRequest(raw, headerEnd);
                wanted = headerEnd + 4 + std::strtoull(head.Header("Content-Length").c_str(), nullptr, 10);
            }
        }
        if (headerEnd != std::string::npos && raw.size() >= wanted)
            break;
        int received = recv(client, buffer, sizeof(buffer), 0);
        if (received <= 0)
            return true;
        raw.append(buffer, received);
    }
    Request request = ParseRequest(raw, headerEnd);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }

    Answer answer = FindAnswer(request.target);
    if (answer.stall)
        return false;
    if (answer.hold) {
        HANDLE events[] = {answer.hold, stopped_};
        WaitForMultipleObjects(2, events, FALSE, INFINITE);
    }
    if (answer.delayMs && WaitForSingleObject(stopped_, answer.delayMs) == WAIT_OBJECT_0)
        return true;
    if (answer.hangUp)
        return true;
    if (!answer.raw.empty()) {
        if (SendAll(client, answer.raw.data(), answer.raw.size()))
            shutdown(client, SD_SEND);
        return true;
    }
    size_t length = answer.generatedLength ? answer.generatedLength : answer.body.size();
    char head[512];
    snprintf(head, sizeof(head),
             "HTTP/1.1 %d Answer\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: %llu\r\n",
             answer.status, static_cast<unsigned long long>(length + answer.missingBytes));
    std::string response = head + answer.extraHeaders + "\r\n";
    if (!answer.generatedLength && !answer.byteDelayMs)
        response += answer.body;
    if (!SendAll(client, response.data(), response.size()))
        return true;
    if (answer.byteDelayMs) {
        // Until the client gives up (a send fails) or the server stops.
        for (size_t i = 0; i < length; ++i) {
            const char byte = answer.generatedLength ? GeneratedByte(i) : answer.body[i];
            if (WaitForSingleObject(stopped_, answer.byteDelayMs) == WAIT_OBJECT_0 ||
                !SendAll(client, &byte, 1))
                return true;
        }
        shutdown(client, SD_SEND);
        return true;
    }
    // Pieces of a whole number of pattern periods all look the same.
    const size_t period = 26 * 2520;
    for (size_t i = 0; i < period; ++i)
        buffer[i] = GeneratedByte(i);
    for (size_t sent = 0; sent < answer.generatedLength;) {
        size_t piece = std::min(period, answer.generatedLength - sent);
        if (!SendAll(client, buffer, piece))
            return true;
        sent += piece;
    }
    shutdown(client, SD_SEND);
    return true;
}
