// The wizard's rules without a window: navigation, Next's caption, step
// progress, strip geometry, zoom and the pace of repaints.
#include "wizard/PageFlow.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"

namespace Wizard {

ZUX::StringView NextCaptionKey(TNextKind next) {
    switch (next) {
    case TNextKind::None:
        return u"bFinish";
    case TNextKind::Uninstall:
        return u"bUninstall";
    case TNextKind::Install:
        return u"bInstall";
    case TNextKind::Other:
        break;
    }
    return u"bNext";
}

TStepProgress StepProgress(int activeIndex, int pageProgress, int pageCount) {
    TStepProgress result;
    result.Maximum = pageCount > 1 ? (pageCount - 1) * 100 : 0;
    if (activeIndex >= 0) result.Value = activeIndex * 100 + pageProgress;
    return result;
}

int Scale(int units, int dpi) {
    const int64_t product = int64_t(units) * dpi;
    return int((product >= 0 ? product + 48 : product - 48) / 96);
}

TFormGeometry FormGeometry(int width, int height, int dpi) {
    TFormGeometry g;
    const int header = Scale(53, dpi);
    const int band = Scale(44, dpi);
    g.Header = {0, 0, width, header};
    g.Strip = {0, header, width, header + Scale(10, dpi)};
    g.Bar = {0, g.Strip.Top + Scale(2, dpi), width, g.Strip.Bottom - Scale(2, dpi)};
    g.BottomBand = {0, height - band, width, height};
    g.PageBounds = {0, g.Strip.Bottom + Scale(4, dpi), width, height - band};
    g.FullScreen = {0, 0, width, height - band};
    g.HeaderText = {Scale(144, dpi), Scale(6, dpi), width - Scale(16, dpi),
                    header - Scale(12, dpi)};
    return g;
}

TStripDrawing StripDrawing(const TRect& bar, int pageCount, int activeIndex, int pageProgress) {
    TStripDrawing d;
    d.FillRight = bar.Left;
    if (pageCount <= 2 || activeIndex < 0) return d;
    d.SegmentWidth = bar.Width() / (pageCount - 1);
    d.SegmentLeft = bar.Left + activeIndex * d.SegmentWidth;
    d.DashCount = d.SegmentWidth / 6;
    d.FillRight = d.SegmentLeft + d.SegmentWidth * pageProgress / 100;
    return d;
}

ZUX::String BrowsedDestination(const ZUX::String& folder, const ZUX::String& productName) {
    ZUX::String path = ZUX::IncludeTrailingPathDelimiter(folder);
    const ZUX::String last = ZUX::ExtractFileName(ZUX::ExcludeTrailingPathDelimiter(path));
    if (ZUX::SameText(last, productName)) return path;
    return path + productName;
}

} // namespace Wizard
