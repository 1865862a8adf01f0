#pragma once

// Outer size that gives the frame a client area of exactly the panel's size, keeping whatever
// the borders, caption and menu bar take.
struct FrameSize {
    int width, height;
};
constexpr FrameSize FitFrameToPanel(FrameSize frame, FrameSize client, FrameSize panel) {
    return {frame.width - client.width + panel.width, frame.height - client.height + panel.height};
}
