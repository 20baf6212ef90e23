// Micro-benchmarks of the inverse plate-polynomial fit and its decomposition.
// BM_ReferenceInversePoly runs the straightforward loops kept in the tests,
// so the speed-up of Compute_Inverse_Poly is measured within one run.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_data.h"
#include "calib/inverse_poly.h"
#include "calib/jacobi_svd.h"
#include "tests/calib/reference_inverse_poly.h"

namespace {

void BM_ComputeInversePoly(benchmark::State& state) {
    auto record = std::make_unique<CalibrationRecord>();
    FillFitInputs(static_cast<int>(state.range(0)), *record);
    for (auto _ : state) {
        Compute_Inverse_Poly(*record);
        benchmark::DoNotOptimize(record->inv_xcoef);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ComputeInversePoly)->ArgName("order")->Arg(1)->Arg(2)->Arg(3);

void BM_ReferenceInversePoly(benchmark::State& state) {
    auto record = std::make_unique<CalibrationRecord>();
    FillFitInputs(static_cast<int>(state.range(0)), *record);
    for (auto _ : state) {
        ReferenceInversePoly(*record);
        benchmark::DoNotOptimize(record->inv_xcoef);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReferenceInversePoly)->ArgName("order")->Arg(1)->Arg(2)->Arg(3);

// The decomposition of the normal matrix the fit builds for a realistic
// calibration of order 1, 2, 3 (n = 3, 6, 10).
void BM_JacobiSvd(benchmark::State& state) {
    const int order = static_cast<int>(state.range(0));
    const int n = TermCount(order);
    auto record = std::make_unique<CalibrationRecord>();
    FillFitInputs(order, *record);
    double normal[kMaxTerms * kSvdRowLength] = {};
    double u[kMaxTerms * kSvdRowLength] = {};
    double v[kMaxTerms * kSvdRowLength] = {};
    double s[kMaxTerms] = {};
    ReferenceNormalMatrix(*record, normal);
    for (auto _ : state) {
        JacobiSvd(normal, u, s, v, n);
        benchmark::DoNotOptimize(s);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_JacobiSvd)->ArgName("order")->Arg(1)->Arg(2)->Arg(3);

}  // namespace
