#pragma once
// One FFTW transform of a fixed length with its own aligned buffers: the
// forward and backward plans are made once at construction (estimate
// planning, which leaves the buffers untouched) and freed with the buffers in
// the destructor. Nothing else in the program creates or destroys FFTW plans.
//
// The FFTW planner is not thread-safe, so creation and destruction are
// serialised by one process-wide mutex; executing two different FftwPlan
// objects from two threads at once is safe. Transforms are unnormalised:
// Forward uses exp(-j...), Backward exp(+j...), and a round trip multiplies
// by Size().

#include <complex>
#include <cstddef>
#include <span>

#include <fftw3.h>

class FftwPlan {
public:
    enum class Kind {
        Complex, // Size() complex values transformed in place in Spectrum()
        Real,    // Size() real Samples() <-> Size()/2 + 1 complex Spectrum() bins
    };

    // n >= 1. Throws std::bad_alloc when FFTW cannot allocate the buffers or plans.
    FftwPlan(Kind kind, std::size_t n);
    ~FftwPlan();
    FftwPlan(const FftwPlan&) = delete;
    FftwPlan& operator=(const FftwPlan&) = delete;

    Kind GetKind() const { return m_kind; }
    std::size_t Size() const { return m_size; }

    // Complex kind: the in-place buffer. Real kind: the half spectrum.
    std::span<std::complex<double>> Spectrum() { return {m_spectrum, m_spectrumSize}; }
    // Real kind: the time samples; empty for the complex kind.
    std::span<double> Samples() { return {m_samples, m_samplesSize}; }

    // Complex kind: in place. Real kind: Samples() -> Spectrum().
    void Forward();
    // Complex kind: in place. Real kind: Spectrum() -> Samples(); the
    // spectrum's contents are undefined afterwards.
    void Backward();

private:
    void Release();

    Kind m_kind;
    std::size_t m_size;
    std::complex<double>* m_spectrum = nullptr; // fftw_malloc'ed, owned
    std::size_t m_spectrumSize = 0;
    double* m_samples = nullptr; // fftw_malloc'ed, owned (real kind only)
    std::size_t m_samplesSize = 0;
    fftw_plan m_forward = nullptr;
    fftw_plan m_backward = nullptr;
};
