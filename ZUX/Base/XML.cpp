// The XML document model over the XML library.
#include "ZUX/Base/XML.h"

#include <pugixml.hpp>

namespace ZUX {

namespace {

bool SameAsciiText(const char* utf8, StringView name) {
    size_t i = 0;
    for (; utf8[i] && i < name.size(); ++i) {
        auto a = char16_t(uint8_t(utf8[i])), b = name[i];
        if (a >= u'a' && a <= u'z') a -= 32;
        if (b >= u'a' && b <= u'z') b -= 32;
        if (a != b) return false;
    }
    // Non-ASCII names compare as their UTF-8 bytes would not match a UTF-16
    // unit beyond 0x7F, which is what ignoring only ASCII case asks for.
    return utf8[i] == '\0' && i == name.size();
}

bool IsElement(const pugi::xml_node& n) {
    return n.type() == pugi::node_element;
}

} // namespace

String TZUXXMLNode::Name() const {
    return node_ ? FromUtf8(pugi::xml_node(node_).name()) : String();
}

String TZUXXMLNode::Text() const {
    const char* last = nullptr;
    for (pugi::xml_node c : pugi::xml_node(node_).children())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) last = c.value();
    return last ? FromUtf8(last) : String();
}

String TZUXXMLNode::Attribute(const char16_t* name) const {
    if (!node_) return String();
    return FromUtf8(pugi::xml_node(node_).attribute(ToUtf8(name).c_str()).value());
}

std::vector<TZUXXMLNode> TZUXXMLNode::Children() const {
    std::vector<TZUXXMLNode> out;
    for (pugi::xml_node c : pugi::xml_node(node_).children())
        if (IsElement(c)) out.push_back(TZUXXMLNode(c.internal_object()));
    return out;
}

bool TZUXXMLNode::HasChildren() const {
    for (pugi::xml_node c : pugi::xml_node(node_).children())
        if (IsElement(c)) return true;
    return false;
}

TZUXXMLNode TZUXXMLNode::FindChild(StringView name) const {
    for (pugi::xml_node c : pugi::xml_node(node_).children())
        if (IsElement(c) && SameAsciiText(c.name(), name)) return TZUXXMLNode(c.internal_object());
    return TZUXXMLNode();
}

TZUXXMLNode TZUXXMLNode::FindPath(std::initializer_list<StringView> names) const {
    TZUXXMLNode n = *this;
    for (StringView name : names) {
        if (!n) break;
        n = n.FindChild(name);
    }
    return n;
}

TZUXXMLDocument::TZUXXMLDocument() : document_(std::make_unique<pugi::xml_document>()) {}
TZUXXMLDocument::~TZUXXMLDocument() = default;

bool TZUXXMLDocument::LoadFromStream(TZUXStream& stream) {
    const Bytes bytes = stream.ReadToEnd();
    // Elements and their texts only: no declaration, comment or instruction nodes.
    const unsigned options =
        pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol;
    return bool(document_->load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto));
}

std::vector<TZUXXMLNode> TZUXXMLDocument::TopLevel() const {
    std::vector<TZUXXMLNode> out;
    for (pugi::xml_node c : document_->children())
        if (IsElement(c)) out.push_back(TZUXXMLNode(c.internal_object()));
    return out;
}

} // namespace ZUX
