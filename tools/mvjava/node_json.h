#pragma once
// Component nodes as JSON text and back:
//   {"path":"/0/0/1","class":"javax.swing.JTextField","name":"user","title":"abc",
//    "x":120,"y":10,"width":200,"height":24,"visible":true,"children":[...]}
// Keys in exactly this order; "children" only for containers, null at the depth limit.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component_tree.h"
#include "json_reader.h"
#include "json_writer.h"

namespace mvjava {

void WriteNodeJson(JsonWriter& out, const ComponentNode& node);
// A JSON array of the nodes.
std::string NodesToJson(const std::vector<ComponentNode>& nodes);

// A node (and its descendants) from parsed JSON; nullopt with `error` set when the value does
// not have the node's shape.
std::optional<ComponentNode> NodeFromJson(const JsonValue& value, std::string& error);
// An array of nodes from JSON text (snapshotWindows) or one node (snapshotComponent).
std::optional<std::vector<ComponentNode>> NodesFromJsonText(std::string_view text, std::string& error);
std::optional<ComponentNode> NodeFromJsonText(std::string_view text, std::string& error);

}  // namespace mvjava
