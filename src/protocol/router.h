#pragma once

#include "frame.h"

#include <array>
#include <functional>

namespace proto {

using FrameHandler = std::function<void(const Frame &)>;

// Delivers received Frames by frame class and frame type (the module id for class 3).
// Only the pairs the protocol defines can be routed: class 1 types 1-2, class 2 types
// 1-5, class 3 module ids 1-12 and 32. Everything else is ignored without a message.
class FrameRouter {
public:
    static bool isRoutable(quint8 frameClass, quint8 frameType);

    FrameRouter() = default;
    FrameRouter(const FrameRouter &) = default;
    FrameRouter &operator=(const FrameRouter &) = default;
    ~FrameRouter();

    // Returns false (and keeps nothing) for a pair that is not routable.
    bool setHandler(quint8 frameClass, quint8 frameType, FrameHandler handler);
    void clearHandler(quint8 frameClass, quint8 frameType);

    // True when a handler received the Frame.
    bool route(const Frame &frame) const;

private:
    std::array<std::array<FrameHandler, 256>, 3> m_handlers;
};

} // namespace proto
