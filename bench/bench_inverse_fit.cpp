// Micro-benchmarks of the inverse plate-polynomial fit and its decomposition.
// The reference runs the straightforward loops kept in the tests,
// so the speed-up of Compute_Inverse_Poly is measured within one run.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_data.h"
#include "calib/inverse_poly.h"
#include "calib/jacobi_svd.h"
#include "tests/calib/reference_inverse_poly.h"

namespace {

// One inverse fit, Compute_Inverse_Poly or the reference, on the bench
// calibration of the order given as the benchmark's argument.
void BM_InverseFit(benchmark::State& state, void (*fit)(CalibrationRecord&)) {
    auto record = std::make_unique<CalibrationRecord>();
    FillFitInputs(static_cast<int>(state.range(0)), *record);
    for (auto _ : state) {
        fit(*record);
        benchmark::DoNotOptimize(record->inv_xcoef);
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(BM_InverseFit, Compute_Inverse_Poly, Compute_Inverse_Poly)
    ->ArgName("order")
    ->DenseRange(1, 3);
BENCHMARK_CAPTURE(BM_InverseFit, ReferenceInversePoly, ReferenceInversePoly)
    ->ArgName("order")
    ->DenseRange(1, 3);

// The fit with its grid sums two at a time (SSE2) and four at a time (AVX2,
// where available), side by side.
void FitInPairs(CalibrationRecord& record) {
    FitInversePolynomialWith(record, kGridSumsInPairs);
}
void FitInQuads(CalibrationRecord& record) {
    FitInversePolynomialWith(record, kGridSumsInQuads);
}
BENCHMARK_CAPTURE(BM_InverseFit, GridSumsInPairs, FitInPairs)->ArgName("order")->DenseRange(1, 3);
BENCHMARK_CAPTURE(BM_InverseFit, GridSumsInQuads, FitInQuads)->ArgName("order")->DenseRange(1, 3);

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
