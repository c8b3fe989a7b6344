#pragma once

#include <QPaintDevice>
#include <climits>

namespace richedit {

// A paint device that only reports a resolution. A document laid out for it takes that many
// dots per inch for its fonts, indents and pictures: the format-range copy is laid out for
// its target this way, and the editor's zoom lays the shown document out for a scaled screen.
class ResolutionDevice : public QPaintDevice {
public:
    ResolutionDevice(int dpiX, int dpiY) : m_dpiX(dpiX), m_dpiY(dpiY) {}
    QPaintEngine *paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 100000;
        case PdmHeight: return 100000;
        case PdmWidthMM: return int(100000 * 25.4 / m_dpiX);
        case PdmHeightMM: return int(100000 * 25.4 / m_dpiY);
        case PdmDpiX:
        case PdmPhysicalDpiX: return m_dpiX;
        case PdmDpiY:
        case PdmPhysicalDpiY: return m_dpiY;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    int m_dpiX;
    int m_dpiY;
};

} // namespace richedit
