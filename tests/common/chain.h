// Test helpers for error chains and command-line output.
#pragma once

#include "arx/acutprintf.h"
#include "support/exkavro.h"

#include <functional>
#include <memory>
#include <string>

struct ChainDeleter
{
    void operator()(CEXKavro* e) const { CEXKavro::deleteChain(e); }
};
using Chain = std::unique_ptr<CEXKavro, ChainDeleter>;

// Runs body and gives the record it threw (null when it threw nothing).
template <class Body>
Chain caught(Body body)
{
    try {
        body();
    } catch (CEXKavro* e) {
        return Chain(e);
    }
    return nullptr;
}

// What body prints on the command line.
inline std::string captured(const std::function<void()>& body)
{
    std::string out;
    qv::setOutputSink([&](const std::string& text) { out += text; });
    body();
    qv::setOutputSink(nullptr);
    return out;
}
