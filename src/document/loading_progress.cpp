#include "document/loading_progress.h"

namespace quillbarrow {

namespace {

LoadingListener& listener() {
    static LoadingListener instance;
    return instance;
}

}  // namespace

void set_loading_listener(LoadingListener l) { listener() = std::move(l); }

void report_progress(std::uint64_t read, std::uint64_t total) {
    if (listener().progress) listener().progress(read, total);
}

void finish_loading() {
    if (listener().finished) listener().finished();
}

}  // namespace quillbarrow
