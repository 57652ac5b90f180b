// Controls: windows with a place in a container, bounds in 96-DPI units, a
// caption (their window text), a component name and a font. A control keeps
// its properties until its window exists; the window is created when the
// control's container has one, and re-scaled when the DPI changes.
// TZUXCustomControl is the container: it owns its controls in creation order
// (which is also the tab order) and paints its background.
#pragma once

#include "ZUX/UI/Gdi.h"
#include "ZUX/UI/Window.h"

#include <functional>
#include <memory>
#include <vector>

namespace ZUX {

class TZUXCustomControl;
class TZUXForm;

// A rectangle as the layout gives it: left, top, width and height.
struct TZUXRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Right() const noexcept { return Left + Width; }
    int Bottom() const noexcept { return Top + Height; }
};

struct TZUXFont {
    String Face = u"Segoe UI";
    int Points10 = 90; // tenths of a point
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

// The default colour of the skin instead of one given.
inline constexpr COLORREF kDefaultColor = CLR_INVALID;

class TZUXControl : public TZUXWindow {
public:
    TZUXControl() = default;
    ~TZUXControl() override;

    TZUXCustomControl* Parent() const noexcept { return parent_; }
    // Places the control in a container (not owned); its window is created at
    // once when the container has one.
    void SetParent(TZUXCustomControl* parent);
    TZUXForm* ParentForm() const noexcept;

    const TZUXRect& Bounds() const noexcept { return bounds_; }
    void SetBounds(const TZUXRect& bounds96);
    // The bounds at the current DPI, relative to the container.
    RECT ScaledBounds() const noexcept;

    String Caption() const;
    void SetCaption(const String& caption);
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);
    const TZUXFont& Font() const noexcept { return font_; }
    void SetFont(const TZUXFont& font);
    HFONT FontHandle() const noexcept { return fontHandle_.Get(); }
    // Text colour; kDefaultColor follows the skin.
    COLORREF FontColor() const noexcept { return fontColor_; }
    void SetFontColor(COLORREF color);
    bool CanFocus() const noexcept;
    void SetFocus();
    UINT Dpi() const noexcept { return dpi_; }
    int Scale(int value96) const noexcept;
    UINT ControlId() const noexcept { return id_; }

    std::function<void(TZUXControl&)> OnClick;

    // Creates the window now (the container must have one); nothing when it
    // exists.
    void CreateWindowNow();
    // Fonts and bounds for a new DPI.
    virtual void ApplyDpi(UINT dpi);
    // Messages that the container receives on the control's behalf
    // (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR..., WM_DRAWITEM); true when handled.
    virtual bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // What a click does: the click handler.
    virtual void Click();

protected:
    // The window class, styles and caption of the control; bounds, parent and
    // identifier are filled in by the caller.
    virtual TCreateParams CreateParams() = 0;
    void HandleCreated() override;
    void HandleDestroyed() noexcept override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The colours of a WM_CTLCOLOR... message: text and background set on the
    // DC, the brush returned.
    virtual HBRUSH ControlColor(HDC dc);
    COLORREF TextColor() const noexcept;
    // The parent's background under the control (transparent look).
    HBRUSH ParentBackground(HDC dc) const;
    void RecreateFont();
    // A window that belongs to the control besides its own, scaled with it.
    virtual void PlaceWindows(const RECT& scaled);

    TZUXCustomControl* parent_ = nullptr;
    TZUXRect bounds_;
    String caption_;
    bool visible_ = true;
    bool enabled_ = true;
    TZUXFont font_;
    TZUXFontHandle fontHandle_;
    COLORREF fontColor_ = kDefaultColor;
    UINT dpi_ = 96;
    UINT id_ = 0;

    friend class TZUXCustomControl;
};

class TZUXCustomControl : public TZUXControl {
public:
    TZUXCustomControl();
    ~TZUXCustomControl() override;

    // Takes a control into the container: owned, parented, in tab order.
    TZUXControl& InsertControl(std::unique_ptr<TZUXControl> control);
    template <typename T, typename... Args> T& AddControl(Args&&... args) {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T& result = *control;
        InsertControl(std::move(control));
        return result;
    }
    // Destroys a control of this container with its window.
    void DeleteControl(TZUXControl* control);
    const std::vector<std::unique_ptr<TZUXControl>>& Controls() const noexcept { return controls_; }
    // The control of this name here or in a nested container, depth first.
    TZUXControl* FindControl(StringView name) const noexcept;

    // Background colour; kDefaultColor follows the skin's window colour.
    COLORREF Color() const noexcept;
    void SetColor(COLORREF color);
    // The brush under a child's rectangle (in this window's pixels); a
    // container that paints more than one colour answers per region.
    virtual HBRUSH BackgroundBrush(const RECT& childRect);

    void ApplyDpi(UINT dpi) override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Paints the whole client area into a buffer; the default fills it with
    // the background colour.
    virtual void Paint(HDC dc, const RECT& client);
    // The window class name; our class "TZUXCustomControl" by default.
    virtual String WindowClassName() const { return u"TZUXCustomControl"; }
    // Forwards a message about a child window to its control.
    bool ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    HBRUSH OwnBrush();

private:
    std::vector<std::unique_ptr<TZUXControl>> controls_;
    COLORREF color_ = kDefaultColor;
    TZUXSolidBrush brush_;
    UINT nextId_ = 100;
};

} // namespace ZUX
