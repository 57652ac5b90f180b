// The toolkit's rules that need no window: message-box kinds, titles and
// button sets, the button limit, the viewer's zoom, link targets and the
// mark-up of the formatted label, icons from icon-file bytes.
#include "ZUX/UI/Application.h"
#include "ZUX/UI/DialogTexts.h"
#include "ZUX/UI/FormattedLabel.h"
#include "ZUX/UI/Image.h"
#include "ZUX/UI/MessageDialog.h"
#include "ZUX/UI/RichViewer.h"

#include <gtest/gtest.h>

using namespace ZUX;

TEST(MessageDialog, KindsFromTheIconBitsInOrder) {
    const struct {
        UINT flags;
        TZUXMessageKind kind;
        const char16_t* title;
    } cases[] = {
        {0x40, TZUXMessageKind::Information, u"Information"},
        {0x70, TZUXMessageKind::Information, u"Information"}, // 0x40 is tested first
        {0x30, TZUXMessageKind::Warning, u"Warning"},
        {0x20, TZUXMessageKind::Question, u"Confirm"},
        {0x10, TZUXMessageKind::Error, u"Error"},
        {0x0, TZUXMessageKind::None, u""},
        {0x1000, TZUXMessageKind::None, u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageKindOf(c.flags), c.kind) << c.flags;
        EXPECT_EQ(DefaultMessageTitle(MessageKindOf(c.flags)), c.title) << c.flags;
    }
}

TEST(MessageDialog, ButtonSetsAndResults) {
    const struct {
        UINT flags;
        std::vector<int> results;
        std::vector<String> captions;
    } cases[] = {
        {0, {1}, {u"OK"}},
        {1, {1, 2}, {u"OK", u"Cancel"}},
        {2, {3, 4, 5}, {u"&Abort", u"&Retry", u"&Ignore"}},
        {3, {6, 7, 2}, {u"&Yes", u"&No", u"Cancel"}},
        {4, {6, 7}, {u"&Yes", u"&No"}},
        {5, {4, 2}, {u"&Retry", u"Cancel"}},
        {6, {1}, {u"OK"}},
        {15, {1}, {u"OK"}},
        {0x132, {3, 4, 5}, {u"&Abort", u"&Retry", u"&Ignore"}},
    };
    for (const auto& c : cases) {
        const auto buttons = MessageButtonsOf(c.flags);
        ASSERT_EQ(buttons.size(), c.results.size()) << c.flags;
        for (size_t i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(buttons[i].Result, c.results[i]) << c.flags;
            EXPECT_EQ(buttons[i].Caption, c.captions[i]) << c.flags;
        }
    }
}

TEST(MessageDialog, OkAndCancelCaptionsAreProcessWide) {
    const TZUXDialogTexts saved = DialogTexts();
    DialogTexts().Ok = u"Weiter";
    DialogTexts().Cancel = u"Abbrechen";
    const auto buttons = MessageButtonsOf(1);
    DialogTexts() = saved;
    EXPECT_EQ(buttons[0].Caption, u"Weiter");
    EXPECT_EQ(buttons[1].Caption, u"Abbrechen");
}

TEST(MessageDialog, AFourthButtonIsRefused) {
    // The dialog's window is made only when it is shown.
    TZUXMessageDialog dialog(nullptr, u"text", u"", 2);
    try {
        dialog.AddButton({u"More", 8, u"More"});
        FAIL() << "no error";
    } catch (const EZUXUIError& e) {
        EXPECT_EQ(e.Message(), u"MsgDlg: button limit has been exceed");
    }
}

TEST(MessageDialog, EmptyTitleTakesTheKindsTitle) {
    TZUXMessageDialog error(nullptr, u"text", u"", 0x10);
    EXPECT_EQ(error.Caption(), u"Error");
    TZUXMessageDialog titled(nullptr, u"text", u"Setup", 0x10);
    EXPECT_EQ(titled.Caption(), u"Setup");
    EXPECT_EQ(titled.DefaultButton()->ComponentName(), u"OK");
    TZUXMessageDialog question(nullptr, u"text", u"", 0x121);
    EXPECT_EQ(question.DefaultButton()->ComponentName(), u"Cancel");
    EXPECT_EQ(question.CancelButton()->ComponentName(), u"Cancel");
    TZUXMessageDialog third(nullptr, u"text", u"", 0x203);
    EXPECT_EQ(third.DefaultButton()->ComponentName(), u"Cancel");
    TZUXMessageDialog missingThird(nullptr, u"text", u"", 0x201);
    EXPECT_EQ(missingThird.DefaultButton()->ComponentName(), u"OK");
}

TEST(RichViewer, ZoomNumerator) {
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(100), 64);
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(150), 96);
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(200), 128);
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(50), 32); // 32.5: the even neighbour
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(1), 2);   // 1.63 -> 2
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(0), 0);   // 1: below the range
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(-5), 0);
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(6398), 4095);
    EXPECT_EQ(TZUXRichViewer::ZoomNumerator(6400), 0); // 4096: above the range
}

TEST(Links, Targets) {
    EXPECT_EQ(LinkTarget(u"https://example.com/x"), u"https://example.com/x");
    EXPECT_EQ(LinkTarget(u"www.example.com"), u"https://www.example.com");
    EXPECT_EQ(LinkTarget(u"C:\\"), u"C:\\");
    EXPECT_EQ(LinkTarget(u"C:\\no such folder here"), u"https://C:\\no such folder here");
}

namespace {
String Joined(const std::vector<TZUXTextRun>& runs) {
    String all;
    for (const auto& run : runs)
        all += u"{" + run.Text + (run.Link.empty() ? u"" : u"|" + run.Link) + u"}";
    return all;
}
} // namespace

TEST(FormattedLabel, Markup) {
    const auto runs = ParseMarkup(u"a [B]bold [i]both[/I][/b] [u]u[/u][s]s[/s]");
    ASSERT_EQ(runs.size(), 6u); // "a ", "bold ", "both", " ", "u", "s"
    EXPECT_TRUE(runs[1].Bold);
    EXPECT_FALSE(runs[1].Italic);
    EXPECT_TRUE(runs[2].Bold && runs[2].Italic);
    EXPECT_TRUE(runs[4].Underline);
    EXPECT_TRUE(runs[5].StrikeOut && !runs[5].Underline);

    const auto sized = ParseMarkup(u"[big]B[/big][small]S[/small][size=14]P[/size]");
    ASSERT_EQ(sized.size(), 3u);
    EXPECT_DOUBLE_EQ(sized[0].SizeFactor, 1.1);
    EXPECT_DOUBLE_EQ(sized[1].SizeFactor, 0.9);
    EXPECT_EQ(sized[2].Points10, 140);

    const auto colored = ParseMarkup(u"[color=#FF8000]c[/color][backcolor=red]r[/backcolor]");
    EXPECT_EQ(colored[0].Color, RGB(0xFF, 0x80, 0x00));
    EXPECT_EQ(colored[1].BackColor, RGB(255, 0, 0));
    EXPECT_EQ(ParseMarkupColor(u"#abc"), RGB(0xAA, 0xBB, 0xCC));
    EXPECT_EQ(ParseMarkupColor(u"nonsense"), kDefaultColor);
    EXPECT_EQ(ParseMarkupColor(u"#12345"), kDefaultColor);
}

TEST(FormattedLabel, LinksAndUnknownTags) {
    EXPECT_EQ(Joined(ParseMarkup(u"[url=https://a.b]here[/url]")), u"{here|https://a.b}");
    EXPECT_EQ(Joined(ParseMarkup(u"see www.zivr.org, or mail me@zivr.org.")),
              u"{see }{www.zivr.org|https://www.zivr.org}{, or mail }"
              u"{me@zivr.org|mailto:me@zivr.org}{.}");
    EXPECT_EQ(Joined(ParseMarkup(u"ftp://host/x")), u"{ftp://host/x|ftp://host/x}");
    // Not tags: shown as text, brackets and all.
    EXPECT_EQ(Joined(ParseMarkup(u"[foo]x[/foo] [/b] [b")), u"{[foo]x[/foo] [/b] [b}");
    EXPECT_EQ(Joined(ParseMarkup(u"a[b]c")), u"{a}{c}");
    // An unclosed tag runs to the end; nothing is lost.
    EXPECT_EQ(Joined(ParseMarkup(u"[i]open")), u"{open}");
    EXPECT_TRUE(ParseMarkup(u"").empty());
}

namespace {

// An icon file of one 16 x 16 frame, 32 bits a pixel, opaque red.
Bytes SixteenPixelIcon() {
    const auto le = [](Bytes& out, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
    };
    Bytes frame;
    le(frame, 40, 4), le(frame, 16, 4), le(frame, 32, 4), le(frame, 1, 2), le(frame, 32, 2);
    frame.append(24, '\0');
    for (int i = 0; i < 16 * 16; ++i) le(frame, 0xFFFF0000, 4);
    frame.append(16 * 4, '\0'); // the mask: all shown
    Bytes file;
    le(file, 0, 2), le(file, 1, 2), le(file, 1, 2);
    file += char(16), file += char(16), le(file, 0, 2), le(file, 1, 2), le(file, 32, 2);
    le(file, uint32_t(frame.size()), 4), le(file, 22, 4);
    return file + frame;
}

int IconWidth(const TZUXIconHandle& icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon.Get(), &info)) return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

} // namespace

// The frame of the wanted size is taken as it is, another size is scaled;
// bytes whose directory or frame point past the end make no icon.
TEST(Icons, FromIconFileBytes) {
    const Bytes good = SixteenPixelIcon();
    EXPECT_EQ(IconWidth(CreateIconFromBytes(good, 16)), 16);
    EXPECT_EQ(IconWidth(CreateIconFromBytes(good, 24)), 24);

    const auto patched = [&](size_t at, char value) {
        Bytes bytes = good;
        bytes[at] = value;
        return bytes;
    };
    const struct {
        const char* what;
        Bytes bytes;
    } broken[] = {
        {"empty", Bytes()},
        {"directory only", good.substr(0, 6)},
        {"frame cut short", good.substr(0, good.size() - 100)},
        {"frame offset past the end", patched(18, char(0x7F))},
        {"frame length past the end", patched(17, char(0x7F))},
    };
    for (const auto& c : broken) EXPECT_FALSE(CreateIconFromBytes(c.bytes, 16)) << c.what;
}
