// One paint of a 1280 x 800 viewport over a 10000 x 10000 24-bit picture (100 megapixels), at
// 1/16, 1, 4 and 32 zoom: the picture is wrapped as the view wraps it each paint and drawn by the
// view's painter, scrolled to the middle. A paint has 16 ms to keep the window smooth.

#include "views/C_ZoomPainter.h"
#include "model/pictures/BTCImageData.h"
#include "shell/C_vmkView.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kSide = 10000;

const BTCImageData& Picture()
{
    static BTCImageData* pData = [] {
        auto* p = new BTCImageData;
        p->m_eSourceFormat = E_ImageFormat::Bmp;
        p->m_nWidth = p->m_nHeight = kSide;
        p->m_nBitsPerPixel = 24;
        p->m_nStride = kSide * 3;  // already a multiple of 4
        p->m_bBottomUp = true;
        p->m_aBits.resize(size_t(p->m_nStride) * kSide);
        uint32_t n = 12345;
        for (uint8_t& b : p->m_aBits)
            b = uint8_t((n = n * 1103515245u + 12345u) >> 24);
        return p;
    }();
    return *pData;
}

void BM_ViewPaint(benchmark::State& state)
{
    const double dZoom = double(state.range(0)) / 16;
    const BTCImageData& data = Picture();
    QImage viewport(1280, 800, QImage::Format_RGB32);
    const QRect exposed = viewport.rect();
    // Scrolled so the viewport's centre shows the picture's centre (or the picture centred).
    const double dZoomed = kSide * dZoom;
    const QPointF origin(
        std::round(exposed.width() / 2.0 - dZoomed / 2), std::round(exposed.height() / 2.0 - dZoomed / 2));
    for (auto _ : state) {
        bool bFlip = false;
        const QImage img = C_vmkView::WrapPicture(data, bFlip);
        QPainter painter(&viewport);
        painter.fillRect(exposed, Qt::white);
        C_ZoomPainter::Paint(painter, img, bFlip, dZoom, origin, exposed);
        painter.end();
        benchmark::DoNotOptimize(viewport.constBits());
    }
    state.SetLabel("zoom " + std::to_string(dZoom));
}

}  // namespace

// Zoom in sixteenths: 1/16, 1, 4, 32.
BENCHMARK(BM_ViewPaint)->Arg(1)->Arg(16)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
