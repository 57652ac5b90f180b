// The summary text of the ready page: groups of " * item" lines under
// "Header:" lines, texts looked up in the language files.
#pragma once

#include "ZUX/Base/Strings.h"

class TSetupSummaryBuilder {
public:
    void AddHeader(const ZUX::String& text);
    void AddHeaderText(ZUX::StringView section, ZUX::StringView key);
    void AddItem(const ZUX::String& text);
    void AddItemText(ZUX::StringView section, ZUX::StringView key);
    const ZUX::String& ToString() const { return text_; }

private:
    ZUX::String text_;
    ZUX::String pendingHeader_;
};
