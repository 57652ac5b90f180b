// The summary text of the ready page.
#include "engine/SummaryBuilder.h"

#include "ZUX/Base/Strings.h"
#include "engine/Setup.h"

using namespace ZUX;

void TSetupSummaryBuilder::AddHeader(const String& text) {
    pendingHeader_ = EndsWith(text, u":", false) ? text : text + u":";
}

void TSetupSummaryBuilder::AddHeaderText(StringView section, StringView key) {
    AddHeader(Setup->Resources->GetText(section, key));
}

void TSetupSummaryBuilder::AddItem(const String& text) {
    if (!pendingHeader_.empty()) {
        if (!text_.empty()) text_ += u"\r\n";
        text_ += pendingHeader_ + u"\r\n";
        pendingHeader_.clear();
    }
    text_ += u" * " + text + u"\r\n";
}

void TSetupSummaryBuilder::AddItemText(StringView section, StringView key) {
    AddItem(Setup->Resources->GetText(section, key));
}
