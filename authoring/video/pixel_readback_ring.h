#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "render/gl_object.h"

namespace quillbarrow {

// Reads finished frames of the window's back buffer through a small ring of
// pixel-buffer objects: each read only queues a copy on the GPU, and a frame
// is mapped when its buffer comes round again, so drawing never waits for
// the copy of the frame it just drew.
class PixelReadbackRing {
public:
    // Rows arrive bottom-up, RGBA, width x 4 bytes each, no padding.
    using Deliver = std::function<bool(const std::uint8_t* pixels)>;

    PixelReadbackRing(int width, int height, int depth = 3);
    PixelReadbackRing(const PixelReadbackRing&) = delete;
    PixelReadbackRing& operator=(const PixelReadbackRing&) = delete;

    // Queues the copy of the frame just drawn; first hands over the oldest
    // frame if its buffer is needed. False when deliver refused a frame.
    bool read_frame(const Deliver& deliver);
    // Hands over every frame still queued, oldest first.
    bool drain(const Deliver& deliver);

private:
    bool deliver_oldest(const Deliver& deliver);

    int width_, height_;
    std::vector<GlBuffer> buffers_;
    std::size_t queued_ = 0, next_ = 0;
};

}  // namespace quillbarrow
