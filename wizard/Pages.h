// The page base classes, the page list and the registry of page classes.
// A page is a container of the toolkit inside the wizard window; every
// control it builds is a real child window named by its language key.
#pragma once

#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "ZUX/UI/Control.h"
#include "ZUX/UI/Image.h"
#include "wizard/PageFlow.h"
#include "wizard/TextViewer.h"

#include <functional>
#include <memory>
#include <vector>

// The packaged picture of that name; raises EInstallerGeneralError when its
// bytes are no picture.
std::unique_ptr<ZUX::TZUXBitmap> LoadSetupPicture(const ZUX::String& name);

class TSetupCustomPage : public ZUX::TZUXCustomControl {
public:
    virtual int GetProgress() { return 0; }
    virtual bool CanGoBack() { return true; }
    virtual bool CanGoNext() { return true; }
    virtual bool CanShow() { return true; }
    virtual void Prepare() {}

    // Makes the page's window (hidden) under parent and builds the page; the
    // registry calls it right after the constructor. PageName is the class
    // name without "TSetup".
    void Construct(HWND parent, ZUX::StringView className);
    const ZUX::String& PageName() const { return pageName_; }
    // Places the page (pixels of the wizard window) and its controls for the
    // window's current DPI.
    void Place(const RECT& bounds);
    void ShowPage(bool visible);

protected:
    // The second step of construction, after the window exists.
    virtual void Build() {}
    // Places the page's controls for its size and DPI.
    virtual void Relayout() {}
    // A message before the toolkit's container sees it; true when handled.
    // An exception is shown, never passed on.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    ZUX::String WindowClassName() const override { return u"TSetupPage"; }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The wizard places its pages.
    void PlaceWindows(const RECT&) override {}

private:
    ZUX::String pageName_;
};

// Where a control goes: its own rectangle, the page less margins, or the
// page's bottom less margins with a given height.
enum class TAlign { None, Client, Bottom };

class TSetupPage : public TSetupCustomPage {
public:
    ~TSetupPage() override;
    ZUX::String Description;
    ZUX::String Title;

    virtual void CreateControls() {}
    virtual void Localize();

    // The text of key in this page's section, macros expanded.
    ZUX::String Translate(ZUX::StringView key) const;
    void NotifyStateChanged();

protected:
    struct TControl {
        HWND Handle = nullptr;
        ZUX::String Name;
        Wizard::TRect Units; // left, top, width, height in 96-DPI units
        TAlign Align = TAlign::None;
        Wizard::TRect Margins; // left, top, right, bottom
        int FontPoints = 9;
        bool Bold = false;
        bool HasCaption = true;
        COLORREF TextColor = CLR_INVALID;
        std::function<void()> OnClick;
        std::function<void()> OnChange;
        ZUX::TZUXFontHandle Font;           // of a system control
        ZUX::TZUXControl* Object = nullptr; // a toolkit control, the page's
    };

    void Build() final;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Paints the page's background; pages add their pictures.
    void Paint(HDC dc, const RECT& client) override;
    // A WM_NOTIFY from a control that is no toolkit control.
    virtual void OnNotify(const NMHDR&, LPARAM) {}
    virtual void OnLayout() {}

    // Builders. Rectangles are (left, top, width, height) in 96-DPI units.
    TControl& CreateControl(Wizard::TRect units, ZUX::StringView name, const wchar_t* windowClass,
                            DWORD style, bool hasCaption = true);
    HWND CreateCheckBox(Wizard::TRect units, ZUX::StringView name, std::function<void()> onClick);
    HWND CreateRadioButton(Wizard::TRect units, ZUX::StringView name, std::function<void()> onClick,
                           bool firstOfGroup);
    HWND CreateLabel(Wizard::TRect units, ZUX::StringView name, bool topAndWrap);
    HWND CreateHeading(Wizard::TRect units, ZUX::StringView name);
    TSetupTextViewer& CreateViewer(Wizard::TRect margins);
    TControl* Find(HWND control);
    void DestroyControl(HWND control);
    void Align(HWND control, TAlign align, Wizard::TRect margins, int height = 0);
    void SetFont(HWND control, int points, bool bold);
    void SetTextColor(HWND control, COLORREF color);
    void Relayout() override;

    static bool Checked(HWND control);
    static void SetChecked(HWND control, bool checked);
    static void SetText(HWND control, const ZUX::String& text);
    static void SetShown(HWND control, bool shown);

    // The area that aligned controls use, in pixels.
    virtual RECT AlignArea() const;

private:
    TControl& AddRecord(HWND handle, ZUX::StringView name, bool hasCaption);

    std::vector<std::unique_ptr<TControl>> controls_;
    ZUX::TZUXSolidBrush brush_;
};

using TSetupPageFactory = std::unique_ptr<TSetupCustomPage> (*)();
// The page of a class named by the product ("TSetupPageWelcome"), or none
// when no page class has that name.
std::unique_ptr<TSetupCustomPage> CreatePageOfClass(ZUX::StringView className, HWND parent);

class TSetupPageList : public Wizard::TPageList<TSetupCustomPage> {
public:
    // Creates and appends a page of the named class; false when unknown.
    bool Add(ZUX::StringView className, HWND parent);
};
