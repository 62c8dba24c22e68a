#include "node_json.h"

#include <climits>

#include "utf8.h"

namespace mvjava {
namespace {

void WriteOptionalString(JsonWriter& out, const std::optional<std::wstring>& text) {
    if (text) out.String(*text);
    else out.Null();
}

bool ReadOptionalString(const JsonValue& node, const wchar_t* key, std::optional<std::wstring>& out) {
    const JsonValue* value = node.find(key);
    if (!value) return false;
    if (value->is(JsonValue::Type::kNull)) {
        out.reset();
        return true;
    }
    if (!value->is(JsonValue::Type::kString)) return false;
    out = value->string();
    return true;
}

bool ReadInt(const JsonValue& node, const wchar_t* key, long& out) {
    const JsonValue* value = node.find(key);
    const std::optional<long long> number = value ? value->integer() : std::nullopt;
    if (!number || *number < INT_MIN || *number > INT_MAX) return false;
    out = static_cast<long>(*number);
    return true;
}

}  // namespace

void WriteNodeJson(JsonWriter& out, const ComponentNode& node) {
    out.BeginObject();
    out.Key("path").String(node.path);
    out.Key("class").String(node.className);
    out.Key("name");
    WriteOptionalString(out, node.name);
    out.Key("title");
    WriteOptionalString(out, node.title);
    if (node.hiddenLength) out.Key("hiddenLength").Number(static_cast<long long>(*node.hiddenLength));
    out.Key("x").Number(node.x);
    out.Key("y").Number(node.y);
    out.Key("width").Number(node.width);
    out.Key("height").Number(node.height);
    out.Key("visible").Bool(node.visible);
    if (node.locator) out.Key("locator").String(*node.locator);
    if (node.children == Children::kNotListed) {
        out.Key("children").Null();
    } else if (node.children == Children::kListed) {
        out.Key("children").BeginArray();
        for (const ComponentNode& child : node.childNodes) WriteNodeJson(out, child);
        out.EndArray();
    }
    out.EndObject();
}

std::string NodesToJson(const std::vector<ComponentNode>& nodes) {
    JsonWriter out;
    out.BeginArray();
    for (const ComponentNode& node : nodes) WriteNodeJson(out, node);
    out.EndArray();
    return out.text();
}

std::optional<ComponentNode> NodeFromJson(const JsonValue& value, std::string& error) {
    ComponentNode node;
    if (!value.is(JsonValue::Type::kObject)) {
        error = "a component node is not an object";
        return std::nullopt;
    }
    const JsonValue* path = value.find(L"path");
    const JsonValue* className = value.find(L"class");
    const JsonValue* visible = value.find(L"visible");
    if (!path || !path->is(JsonValue::Type::kString) || !className || !className->is(JsonValue::Type::kString) ||
        !visible || !visible->is(JsonValue::Type::kBool) || !ReadOptionalString(value, L"name", node.name) ||
        !ReadOptionalString(value, L"title", node.title) || !ReadInt(value, L"x", node.x) ||
        !ReadInt(value, L"y", node.y) || !ReadInt(value, L"width", node.width) ||
        !ReadInt(value, L"height", node.height)) {
        error = "a component node lacks a member or has one of the wrong type";
        if (path && path->is(JsonValue::Type::kString)) error += " (" + ToUtf8(path->string()) + ")";
        return std::nullopt;
    }
    node.path = path->string();
    if (const JsonValue* locator = value.find(L"locator"); locator && locator->is(JsonValue::Type::kString))
        node.locator = locator->string();
    node.className = className->string();
    node.visible = visible->boolean();
    const JsonValue* children = value.find(L"children");
    if (!children) {
        node.children = Children::kNone;
    } else if (children->is(JsonValue::Type::kNull)) {
        node.children = Children::kNotListed;
    } else if (children->is(JsonValue::Type::kArray)) {
        node.children = Children::kListed;
        for (const JsonValue& child : children->array()) {
            std::optional<ComponentNode> childNode = NodeFromJson(child, error);
            if (!childNode) return std::nullopt;
            node.childNodes.push_back(std::move(*childNode));
        }
    } else {
        error = "\"children\" of " + ToUtf8(node.path) + " is neither an array nor null";
        return std::nullopt;
    }
    return node;
}

std::optional<std::vector<ComponentNode>> NodesFromJsonText(std::string_view text, std::string& error) {
    JsonParseResult parsed = ParseJson(text);
    if (!parsed.value) {
        error = parsed.error;
        return std::nullopt;
    }
    if (!parsed.value->is(JsonValue::Type::kArray)) {
        error = "not a JSON array";
        return std::nullopt;
    }
    std::vector<ComponentNode> nodes;
    for (const JsonValue& element : parsed.value->array()) {
        std::optional<ComponentNode> node = NodeFromJson(element, error);
        if (!node) return std::nullopt;
        nodes.push_back(std::move(*node));
    }
    return nodes;
}

std::optional<ComponentNode> NodeFromJsonText(std::string_view text, std::string& error) {
    JsonParseResult parsed = ParseJson(text);
    if (!parsed.value) {
        error = parsed.error;
        return std::nullopt;
    }
    return NodeFromJson(*parsed.value, error);
}

}  // namespace mvjava
