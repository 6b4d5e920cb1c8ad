#include "router.h"

#include "transport.h"

namespace proto {

FrameRouter::~FrameRouter()
{
    Transport::forgetRouter(this);
}

bool FrameRouter::isRoutable(quint8 frameClass, quint8 frameType)
{
    switch (frameClass) {
    case ClassUpgrade:
        return frameType == 1 || frameType == 2;
    case ClassSystem:
        return frameType >= 1 && frameType <= 5;
    case ClassModule:
        return (frameType >= 1 && frameType <= 12) || frameType == 32;
    default:
        return false;
    }
}

bool FrameRouter::setHandler(quint8 frameClass, quint8 frameType, FrameHandler handler)
{
    if (!isRoutable(frameClass, frameType))
        return false;
    m_handlers[frameClass - 1][frameType] = std::move(handler);
    return true;
}

void FrameRouter::clearHandler(quint8 frameClass, quint8 frameType)
{
    if (isRoutable(frameClass, frameType))
        m_handlers[frameClass - 1][frameType] = nullptr;
}

bool FrameRouter::route(const Frame &frame) const
{
    if (!isRoutable(frame.frameClass, frame.frameType))
        return false;
    const FrameHandler &handler = m_handlers[frame.frameClass - 1][frame.frameType];
    if (!handler)
        return false;
    handler(frame);
    return true;
}

} // namespace proto
