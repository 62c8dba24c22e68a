#pragma once
// Paths that name a component: "/" + the top-level window's index (GetAllTopLevelComponents
// order), then "/" + the child index for each level below it, e.g. "/0/0/1".

#include <optional>
#include <string>
#include <vector>

namespace mvjava {

// The indexes of a path; nullopt when it is not of the form "/N(/N)*" with decimal N.
std::optional<std::vector<std::size_t>> ParseComponentPath(const std::wstring& path);

std::wstring FormatComponentPath(const std::vector<std::size_t>& indexes);

// Whether `text` is a locator (`window name="loginFrame" >> name="user"`), which the hook resolves.
inline bool IsLocator(const std::wstring& text) { return text.rfind(L"window", 0) == 0; }

}  // namespace mvjava
