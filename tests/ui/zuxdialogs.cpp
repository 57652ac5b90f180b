// zuxdialogs: opens one toolkit dialog per command, for the UI tests and the
// screenshots. Prints what the dialog returned.
//
//   msg FLAGS TEXT...        the message box (flags decimal or 0x hex); prints
//                            "result N", exit code N
//   controls                 a form with every control of the toolkit
//   viewer FILE [--spawn]    the rich-text viewer with FILE (RTF); --spawn: its
//                            links go through the spawn service, hosted by a
//                            parent process of this program
//   picker START             the folder picker; prints "folder PATH" or "cancel"
//   image FILE               a form that draws the picture FILE (may be missing)
//   markup TEXT...           a formatted label with the mark-up TEXT
//   lang FILE.lng...         the language dialog with these language files;
//                            prints "language NAME" (none: "language -")
#include "ZUX/Base/CommandLine.h"
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/LanguageFile.h"
#include "ZUX/Base/Streams.h"
#include "ZUX/UI/Application.h"
#include "ZUX/UI/Controls.h"
#include "ZUX/UI/FolderPicker.h"
#include "ZUX/UI/Form.h"
#include "ZUX/UI/FormattedLabel.h"
#include "ZUX/UI/Image.h"
#include "ZUX/UI/LanguageDialog.h"
#include "ZUX/UI/MessageDialog.h"
#include "ZUX/UI/RichViewer.h"
#include "engine/Elevation.h"
#include "engine/SpawnService.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

using namespace ZUX;

namespace {

std::vector<String> Arguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<String> result;
    for (int i = 1; i < count; ++i) result.push_back(FromWStr(argv[i]));
    LocalFree(argv);
    return result;
}

String JoinFrom(const std::vector<String>& args, size_t first) {
    String text;
    for (size_t i = first; i < args.size(); ++i) text += (i > first ? u" " : u"") + args[i];
    return text;
}

Bytes ReadFileBytes(const String& name) {
    std::ifstream in(ToUtf8(name).c_str(), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Print(const String& line) {
    std::printf("%s\n", ToUtf8(line).c_str());
    std::fflush(stdout);
}

class TDemoForm : public TZUXForm {
protected:
    String WindowClassName() const override { return u"TZUXDemoForm"; }
};

int ShowControls() {
    TDemoForm form;
    form.SetCaption(u"Toolkit controls");
    form.SetComponentName(u"ControlsForm");
    form.SetClientSize(480, 330);
    auto& heading = form.AddControl<TZUXLabel>();
    heading.SetComponentName(u"Heading");
    heading.SetCaption(u"A heading in Segoe UI 11");
    heading.MakeHeading();
    heading.SetBounds({16, 12, 440, 24});
    auto& label = form.AddControl<TZUXLabel>(true);
    label.SetComponentName(u"Label");
    label.SetCaption(u"A word-wrapped label aligned to the top. It carries more words than one "
                     u"line holds, so it wraps.");
    label.SetBounds({16, 40, 440, 34});
    auto& check = form.AddControl<TZUXCheckBox>();
    check.SetComponentName(u"CB1");
    check.SetCaption(u"&Check box");
    check.SetBounds({16, 80, 200, 17});
    auto& radio1 = form.AddControl<TZUXRadioButton>();
    radio1.SetComponentName(u"RB1");
    radio1.SetCaption(u"Radio &one");
    radio1.SetGroupStart(true);
    radio1.SetChecked(true);
    radio1.SetBounds({240, 80, 110, 17});
    auto& radio2 = form.AddControl<TZUXRadioButton>();
    radio2.SetComponentName(u"RB2");
    radio2.SetCaption(u"Radio &two");
    radio2.SetBounds({350, 80, 110, 17});
    auto& edit = form.AddControl<TZUXEdit>();
    edit.SetComponentName(u"PathEdit");
    edit.SetCaption(u"C:\\Program Files\\ZIVR\\");
    edit.SetBounds({16, 106, 448, 21});
    edit.SetButton(u"Browse...", 100, [&] {
        String folder;
        if (BrowseForFolder(form.Handle(), edit.Text(), folder)) edit.SetText(folder);
    });
    auto& memo = form.AddControl<TZUXMemo>();
    memo.SetComponentName(u"Memo");
    memo.SetText(u"Read-only text\r\nin several lines.\r\nThe third line.");
    memo.SetBounds({16, 136, 448, 60});
    auto& markup = form.AddControl<TZUXFormattedLabel>();
    markup.SetComponentName(u"Markup");
    markup.SetCaption(u"[b]Bold[/b], [i]italic[/i], [color=#DE8C33]accent[/color], "
                      u"[big]big[/big] and a link: www.example.com");
    markup.SetBounds({16, 204, 448, 40});
    auto& progress = form.AddControl<TZUXProgressBar>();
    progress.SetComponentName(u"Progress");
    progress.SetPosition(40);
    progress.SetBounds({16, 252, 448, 14});
    auto& ok = form.AddControl<TZUXButton>();
    ok.SetComponentName(u"bNext");
    ok.SetCaption(u"&Next >");
    ok.SetModalResult(mrOk);
    ok.SetBounds({343, 290, 121, 25});
    auto& disabled = form.AddControl<TZUXButton>();
    disabled.SetComponentName(u"bBack");
    disabled.SetCaption(u"< &Back");
    disabled.SetEnabled(false);
    disabled.SetBounds({216, 290, 121, 25});
    form.SetDefaultButton(&ok);
    const int result = form.ShowModal();
    Print(u"result " + IntToStr(result) + u" checked " + (check.Checked() ? u"1" : u"0") +
          u" radio2 " + (radio2.Checked() ? u"1" : u"0") + u" edit " + edit.Text());
    return result;
}

int ShowViewer(const String& file) {
    TDemoForm form;
    form.SetCaption(u"License");
    form.SetComponentName(u"ViewerForm");
    form.SetClientSize(500, 360);
    auto& viewer = form.AddControl<TZUXRichViewer>();
    viewer.SetComponentName(u"Viewer");
    viewer.SetBounds({8, 8, 484, 300});
    const Bytes data = ReadFileBytes(file);
    TZUXMemoryStream stream;
    stream.WriteBuffer(data.data(), int64_t(data.size()));
    stream.SetPosition(0);
    viewer.LoadRichText(&stream);
    auto& ok = form.AddControl<TZUXButton>();
    ok.SetComponentName(u"OK");
    ok.SetCaption(u"OK");
    ok.SetModalResult(mrOk);
    ok.SetBounds({412, 320, 80, 25});
    form.SetDefaultButton(&ok);
    form.CreateForm();
    Print(u"zoom " + IntToStr(viewer.Zoom()) + u" numerator " +
          IntToStr(TZUXRichViewer::ZoomNumerator(viewer.Zoom())));
    return form.ShowModal();
}

int ShowImage(const String& file) {
    class TImageForm : public TDemoForm {
    public:
        TZUXBitmap bitmap;

    protected:
        void Paint(HDC dc, const RECT& client) override {
            TDemoForm::Paint(dc, client);
            if (!bitmap.Empty())
                bitmap.Draw(dc, {Scale(8), Scale(8), Scale(8 + bitmap.Width()),
                                 Scale(8 + bitmap.Height())});
        }
    } form;
    form.SetCaption(u"Image");
    form.SetComponentName(u"ImageForm");
    const bool loaded = form.bitmap.LoadFromBytes(ReadFileBytes(file));
    Print(loaded ? u"image " + IntToStr(form.bitmap.Width()) + u"x" + IntToStr(form.bitmap.Height())
                 : String(u"no image"));
    form.SetClientSize(loaded ? std::min(form.bitmap.Width() + 16, 800) : 200,
                       loaded ? std::min(form.bitmap.Height() + 16, 600) : 100);
    return form.ShowModal();
}

int ShowMarkup(const String& text) {
    TDemoForm form;
    form.SetCaption(u"Mark-up");
    form.SetComponentName(u"MarkupForm");
    form.SetClientSize(520, 80);
    auto& label = form.AddControl<TZUXFormattedLabel>();
    label.SetComponentName(u"Markup");
    label.SetCaption(text);
    label.SetBounds({10, 10, 500, 60});
    return form.ShowModal();
}

class TFileLanguageDialog : public TZUXCustomLanguageDialog {
public:
    explicit TFileLanguageDialog(std::vector<String> files) : files_(std::move(files)) {}
    std::vector<String> names;

protected:
    void Populate() override {
        for (size_t i = 0; i < files_.size(); ++i) {
            TZUXIniFile document;
            const Bytes bytes = ReadFileBytes(files_[i]);
            TZUXMemoryStream stream;
            stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
            stream.SetPosition(0);
            document.LoadFromStream(stream);
            TZUXLocalizationInfo info;
            Bytes icon;
            LangGetInfo(document, info, &icon);
            names.push_back(info.Name);
            AddLanguage(info.Name, info.LangId, icon, int(i));
        }
    }

private:
    std::vector<String> files_;
};

int ShowLanguages(const std::vector<String>& files) {
    TFileLanguageDialog dialog(files);
    const int data = dialog.Execute(true);
    Print(u"language " + (data < 0 ? String(u"-") : dialog.names[size_t(data)]));
    return 0;
}

int Run(const std::vector<String>& args) {
    if (args.empty()) {
        Print(u"usage: zuxdialogs msg|controls|viewer|picker|image|markup ...");
        return 100;
    }
    const String& command = args[0];
    if (command == u"msg" && args.size() >= 2) {
        const std::string flags = ToUtf8(args[1]);
        const UINT value = UINT(std::stoul(flags, nullptr, 0));
        const int result = ZUXMessageBox(nullptr, JoinFrom(args, 2), u"", value);
        Print(u"result " + IntToStr(result));
        return result;
    }
    if (command == u"controls") return ShowControls();
    if (command == u"viewer" && args.size() >= 2) return ShowViewer(args[1]);
    if (command == u"image" && args.size() >= 2) return ShowImage(args[1]);
    if (command == u"markup") return ShowMarkup(JoinFrom(args, 1));
    if (command == u"lang") return ShowLanguages({args.begin() + 1, args.end()});
    if (command == u"picker" && args.size() >= 2) {
        String folder;
        if (BrowseForFolder(nullptr, args[1], folder))
            Print(u"folder " + folder);
        else
            Print(u"cancel");
        return 0;
    }
    Print(u"unknown command");
    return 100;
}

} // namespace

int main() {
    const TZUXApplicationScope application;
    std::vector<String> args = Arguments();
    // --spawn: this process hosts the spawn service for a child that shows
    // the dialog, as the setup's non-elevated first process does.
    String token;
    if (HasSwitch(GetParams(), u"SKIPUAC", token)) {
        TSetupSpawnService::Initialize(uintptr_t(std::stoull(ToUtf8(token))));
        SetLinkOpener([](const String& target) { TSetupSpawnService::Run(target); });
        args.erase(args.begin());
    } else if (!args.empty() && args.back() == u"--spawn") {
        args.pop_back();
        return RunElevated(JoinFrom(args, 0)) ? 0 : 1;
    }
    try {
        return Run(args);
    } catch (const Exception& e) {
        Print(u"error " + e.Message());
        return 101;
    }
}
