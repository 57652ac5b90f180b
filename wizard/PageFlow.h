// The rules of the wizard that need no window: moving through the pages, the
// caption of Next, the step progress, the geometry of the header strip, the
// folder chosen through the picker and the pacing of the progress page's
// repaints. Nothing here raises.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Wizard {

// The ordered, owning list of pages and its navigation queries. TPage answers
// CanShow, CanGoNext and CanGoBack; "none" is a null pointer.
template <typename TPage> class TPageList {
public:
    void Add(std::unique_ptr<TPage> page) { items_.push_back(std::move(page)); }
    int Count() const { return int(items_.size()); }
    TPage* Items(int index) const { return items_.at(size_t(index)).get(); }
    TPage* First() const { return items_.empty() ? nullptr : items_.front().get(); }
    TPage* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
    int IndexOf(const TPage* page) const {
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].get() == page) return int(i);
        return -1;
    }
    // The first page after page that takes part in the flow.
    TPage* NextPage(const TPage* page) const {
        const int index = IndexOf(page);
        if (index < 0) return nullptr;
        for (size_t i = size_t(index) + 1; i < items_.size(); ++i)
            if (items_[i]->CanShow()) return items_[i].get();
        return nullptr;
    }
    // The last page before page that takes part in the flow.
    TPage* PrevPage(const TPage* page) const {
        for (int i = IndexOf(page) - 1; i >= 0; --i)
            if (items_[size_t(i)]->CanShow()) return items_[size_t(i)].get();
        return nullptr;
    }
    bool CanGoNext(TPage* page) const { return page && page->CanGoNext() && NextPage(page); }
    bool CanGoBack(TPage* page) const { return page && page->CanGoBack() && PrevPage(page); }
    // Pages are freed last to first, as their controls were made.
    ~TPageList() {
        while (!items_.empty()) items_.pop_back();
    }

private:
    std::vector<std::unique_ptr<TPage>> items_;
};

// What the page after the active one is, for the caption of Next.
enum class TNextKind { None, Install, Uninstall, Other };
// The "Common" key of Next's caption.
ZUX::StringView NextCaptionKey(TNextKind next);

// Step progress for the taskbar button: index x 100 + the page's own progress
// of (pages - 1) x 100.
struct TStepProgress {
    int Value = 0;
    int Maximum = 0;
};
TStepProgress StepProgress(int activeIndex, int pageProgress, int pageCount);

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

// A size in 96-DPI units at the given DPI, rounded to the nearest pixel.
int Scale(int units, int dpi);

// Window geometry, in pixels at the given DPI.
struct TFormGeometry {
    TRect Header;     // the header band
    TRect Strip;      // the step-progress strip below it
    TRect Bar;        // the strip less 2 at top and bottom
    TRect BottomBand; // the accent band at the bottom
    TRect PageBounds; // ordinary pages
    TRect FullScreen; // full-screen pages
    TRect HeaderText; // where the title and description go
};
TFormGeometry FormGeometry(int clientWidth, int clientHeight, int dpi);

// What the strip draws over the bar for the active page.
struct TStripDrawing {
    int SegmentWidth = 0; // 0: only the background
    int SegmentLeft = 0;
    int DashCount = 0; // 3 pixels wide every 6 pixels from SegmentLeft
    int FillRight = 0; // accent from the bar's left edge to here
};
TStripDrawing StripDrawing(const TRect& bar, int pageCount, int activeIndex, int pageProgress);

// The destination for a folder chosen in the picker: the folder itself when
// its last element is the product's name, else the product's folder inside it.
ZUX::String BrowsedDestination(const ZUX::String& folder, const ZUX::String& productName);

// The progress page repaints at most this often, however fast the worker reports.
class TRepaintPacer {
public:
    explicit TRepaintPacer(uint32_t minIntervalMs = 34) : interval_(minIntervalMs) {}
    // True when a repaint may happen at nowMs (a millisecond tick that may wrap).
    bool Ready(uint32_t nowMs) {
        if (started_ && nowMs - last_ < interval_) return false;
        started_ = true;
        last_ = nowMs;
        return true;
    }

private:
    uint32_t interval_;
    uint32_t last_ = 0;
    bool started_ = false;
};

} // namespace Wizard
