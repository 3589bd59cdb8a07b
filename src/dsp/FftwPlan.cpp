#include "dsp/FftwPlan.h"

#include <cassert>
#include <limits>
#include <mutex>
#include <new>

namespace {

// Guards every call into the FFTW planner (plan creation and destruction).
std::mutex g_plannerMutex;

} // namespace

FftwPlan::FftwPlan(Kind kind, std::size_t n) : m_kind(kind), m_size(n)
{
    assert(n >= 1);
    // FFTW's basic interface takes the length as int.
    if (n > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::bad_alloc();
    }
    const int length = static_cast<int>(n);
    m_spectrumSize = kind == Kind::Complex ? n : n / 2 + 1;
    m_samplesSize = kind == Kind::Complex ? 0 : n;

    // std::complex<double> and fftw_complex share their layout (FFTW manual, "Complex numbers").
    m_spectrum = reinterpret_cast<std::complex<double>*>(fftw_malloc(sizeof(fftw_complex) * m_spectrumSize));
    if (m_samplesSize > 0) {
        m_samples = static_cast<double*>(fftw_malloc(sizeof(double) * m_samplesSize));
    }
    if (m_spectrum == nullptr || (m_samplesSize > 0 && m_samples == nullptr)) {
        Release();
        throw std::bad_alloc();
    }

    auto* spectrum = reinterpret_cast<fftw_complex*>(m_spectrum);
    {
        std::lock_guard lock(g_plannerMutex);
        if (kind == Kind::Complex) {
            m_forward = fftw_plan_dft_1d(length, spectrum, spectrum, FFTW_FORWARD, FFTW_ESTIMATE);
            m_backward = fftw_plan_dft_1d(length, spectrum, spectrum, FFTW_BACKWARD, FFTW_ESTIMATE);
        } else {
            m_forward = fftw_plan_dft_r2c_1d(length, m_samples, spectrum, FFTW_ESTIMATE);
            m_backward = fftw_plan_dft_c2r_1d(length, spectrum, m_samples, FFTW_ESTIMATE);
        }
    }
    if (m_forward == nullptr || m_backward == nullptr) {
        Release();
        throw std::bad_alloc();
    }
}

FftwPlan::~FftwPlan()
{
    Release();
}

void FftwPlan::Release()
{
    if (m_forward != nullptr || m_backward != nullptr) {
        std::lock_guard lock(g_plannerMutex);
        if (m_forward != nullptr) {
            fftw_destroy_plan(m_forward);
        }
        if (m_backward != nullptr) {
            fftw_destroy_plan(m_backward);
        }
    }
    m_forward = nullptr;
    m_backward = nullptr;
    fftw_free(m_spectrum);
    fftw_free(m_samples);
    m_spectrum = nullptr;
    m_samples = nullptr;
}

void FftwPlan::Forward()
{
    fftw_execute(m_forward);
}

void FftwPlan::Backward()
{
    fftw_execute(m_backward);
}
