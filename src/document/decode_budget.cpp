#include "document/decode_budget.h"

#include <algorithm>

#include "player/player_state.h"

namespace quillbarrow {

bool DecodeBudget::take_pixels(long long width, long long height) {
    if (width < 0 || height < 0) return false;
    // Sides past 2^31 cannot fit; below that the product cannot overflow.
    if (width > (1ll << 31) || height > (1ll << 31)) return false;
    const auto texels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (texels > kDecodedPixelBudget - pixels_) return false;
    pixels_ += texels;
    return true;
}

void DecodeBudget::take_sound_bytes(std::uint64_t bytes) { sound_bytes_ += std::min(bytes, sound_bytes_left()); }

DecodeBudget& current_decode_budget() {
    if (active_decode_budget) return *active_decode_budget;
    // A decode outside any load gets a fresh budget of its own each time.
    thread_local DecodeBudget unscoped;
    unscoped = DecodeBudget();
    return unscoped;
}

DecodeBudgetScope::DecodeBudgetScope() : outer_(active_decode_budget) { active_decode_budget = &budget_; }

DecodeBudgetScope::~DecodeBudgetScope() { active_decode_budget = outer_; }

std::string pixel_budget_refusal() {
    return "the production's images, model images and font textures together may decode at most " +
           std::to_string(kDecodedPixelBudget >> 20) + " M pixels";
}

}  // namespace quillbarrow
