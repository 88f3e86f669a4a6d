// A TNMHTTP on the scripted driver, with its result events recorded, for the engine's tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FakeSocketDriver.h"
#include "net/NMHttp.h"

inline const uint32_t kServer = FakeAddr(10, 1, 2, 3);
inline const uint32_t kProxy = FakeAddr(10, 9, 9, 9);

struct Rig {
    std::shared_ptr<FakeNet> net = std::make_shared<FakeNet>();
    std::unique_ptr<TNMHTTP> http;
    std::vector<std::string> events;
    explicit Rig(unsigned seed = 1) {
        net->rng.seed(seed);
        net->hosts["www.example.com"] = kServer;
        net->hosts["other.example.com"] = FakeAddr(10, 1, 2, 4);
        net->hosts["proxy.lan"] = kProxy;
        http = std::make_unique<TNMHTTP>(nullptr, std::make_unique<FakeSocketDriver>(net));
        http->OnSuccess = [this](CmdType c) { events.push_back("success:" + std::to_string(c)); };
        http->OnFailure = [this](CmdType c) { events.push_back("failure:" + std::to_string(c)); };
        http->OnAboutToSend = [this](TObject*) { events.push_back("about"); };
        http->OnDisconnect = [this](TObject*) { events.push_back("disconnect"); };
    }
    FakeExchange& Reply(std::string reply, bool close = true) {
        FakeExchange e;
        e.reply = std::move(reply);
        e.closeAfterReply = close;
        net->exchanges.push_back(e);
        return net->exchanges.back();
    }
};

template <class E, class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) { return e.Message(); }
    return "<no exception>";
}

inline const char kAccept[] = "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                              "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";

inline std::string Page(size_t n) {
    std::string s(n, ' ');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 256); // NUL bytes included
    return s;
}
