#include "video/pixel_readback_ring.h"

#include <GL/glew.h>

namespace quillbarrow {

PixelReadbackRing::PixelReadbackRing(int width, int height, int depth) : width_(width), height_(height) {
    const auto bytes = static_cast<GLsizeiptr>(width) * height * 4;
    for (int i = 0; i < (depth < 1 ? 1 : depth); ++i) {
        buffers_.push_back(GlBuffer::generate());
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_.back());
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

bool PixelReadbackRing::deliver_oldest(const Deliver& deliver) {
    const std::size_t oldest = (next_ + buffers_.size() - queued_) % buffers_.size();
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[oldest]);
    const auto* pixels = static_cast<const std::uint8_t*>(glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
    bool accepted = pixels && deliver(pixels);
    if (pixels) glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    --queued_;
    return accepted;
}

bool PixelReadbackRing::read_frame(const Deliver& deliver) {
    bool accepted = true;
    if (queued_ == buffers_.size()) accepted = deliver_oldest(deliver);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[next_]);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    next_ = (next_ + 1) % buffers_.size();
    ++queued_;
    return accepted;
}

bool PixelReadbackRing::drain(const Deliver& deliver) {
    bool accepted = true;
    while (queued_ > 0) accepted = deliver_oldest(deliver) && accepted;
    return accepted;
}

}  // namespace quillbarrow
