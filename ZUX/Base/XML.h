// The XML document model the setup script is read with: elements only, their
// names, texts, attributes and child elements, over the XML library.
#pragma once

#include "ZUX/Base/Streams.h"

#include <initializer_list>
#include <memory>
#include <vector>

namespace pugi {
class xml_document;
class xml_node_struct;
} // namespace pugi

namespace ZUX {

class TZUXXMLNode {
public:
    TZUXXMLNode() = default;
    explicit operator bool() const { return node_ != nullptr; }

    String Name() const;
    // The value of the element's last text or CDATA part, not trimmed.
    String Text() const;
    // Empty when absent.
    String Attribute(const char16_t* name) const;
    std::vector<TZUXXMLNode> Children() const;
    bool HasChildren() const;
    // The first child element of that name, ignoring the case of ASCII letters.
    TZUXXMLNode FindChild(StringView name) const;
    // Follows the names from this element; an empty node when one is missing.
    TZUXXMLNode FindPath(std::initializer_list<StringView> names) const;

private:
    friend class TZUXXMLDocument;
    explicit TZUXXMLNode(pugi::xml_node_struct* node) : node_(node) {}
    pugi::xml_node_struct* node_ = nullptr;
};

class TZUXXMLDocument {
public:
    TZUXXMLDocument();
    ~TZUXXMLDocument();
    // Reads from the stream's position to its end; false when it is not XML
    // (whatever was parsed up to the error is kept).
    bool LoadFromStream(TZUXStream& stream);
    std::vector<TZUXXMLNode> TopLevel() const;

private:
    std::unique_ptr<pugi::xml_document> document_;
};

} // namespace ZUX
