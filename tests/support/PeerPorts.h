// The ports of the loopback peers (test servers, proxies, the rating service) that a test
// fixture's start script chose at run time (tests/support/peers.sh). The script writes NAME=PORT
// lines into a file and the test finds that file through an environment variable.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

// The port called `name` in the file that the environment variable `envVar` names; 0 when the
// variable, the file or the name is missing. The file is read once per variable.
inline int PeerPort(const char* envVar, const char* name) {
    static std::map<std::string, std::map<std::string, int>> files;
    auto [entry, fresh] = files.try_emplace(envVar);
    std::map<std::string, int>& ports = entry->second;
    if (fresh) {
        const char* file = std::getenv(envVar);
        if (std::FILE* f = file ? std::fopen(file, "r") : nullptr) {
            char key[64];
            int value;
            while (std::fscanf(f, " %63[^=]=%d", key, &value) == 2) ports[key] = value;
            std::fclose(f);
        }
    }
    auto it = ports.find(name);
    return it == ports.end() ? 0 : it->second;
}
