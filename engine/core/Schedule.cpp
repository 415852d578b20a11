#include "core/Schedule.h"

void DeriveSchedule(SamplerState& S)
{
    const int64_t total = static_cast<int64_t>(S.cfg.Burn_in)
                        + static_cast<int64_t>(S.cfg.sample_size) * S.cfg.interval;
    S.TotalIterations = static_cast<int32_t>(total);
    // Both are divisors in the output step: short runs still write a rate line per iteration.
    S.ArtInterval = S.TotalIterations / 50;
    if (S.ArtInterval < 1) S.ArtInterval = 1;
}

void ProgressReporter::Start()
{
    std::fputs("0 ", out_);
    std::fflush(out_);
}

void ProgressReporter::Step(int32_t k)
{
    if (total_ <= 0) return;  // no iterations: nothing between "0 " and "100\n"
    // 64-bit product: 100 * k overflows 32 bits for long runs.
    const auto q = static_cast<int32_t>(static_cast<int64_t>(k) * 100 / total_);
    if (q > last_) {
        std::fprintf(out_, "%d ", q);
        std::fflush(out_);
        last_ = q;
    }
}

void ProgressReporter::Finish()
{
    std::fputs("100\n", out_);
    std::fflush(out_);
}
