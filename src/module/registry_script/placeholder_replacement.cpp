#include "module/registry_script/placeholder_replacement.h"

#include <new>
#include <stdexcept>

namespace mv::registry_script {
namespace {

// Appends with the growth rule of the processor: the room doubles until the text and a
// terminating NUL fit.
void Append(std::u16string& out, std::u16string_view piece) {
    std::size_t room = out.capacity();
    while (out.size() + piece.size() + 1 > room) room *= 2;
    if (room != out.capacity()) out.reserve(room);
    out.append(piece);
}

}  // namespace

ScriptResult ReplacePlaceholders(std::u16string_view text, const ReplacementTable& table,
                                 std::u16string& replaced) noexcept {
    try {
        replaced.clear();
        const std::size_t doubled = text.size() * 2;
        replaced.reserve(doubled < 100 ? 1000 : doubled);

        std::size_t position = 0;
        while (position < text.size()) {
            const char16_t c = text[position];
            if (c != u'%') {
                Append(replaced, text.substr(position, 1));
                ++position;
                continue;
            }
            if (position + 1 < text.size() && text[position + 1] == u'%') {
                Append(replaced, u"%");
                position += 2;
                continue;
            }
            const std::size_t nameStart = position + 1;
            const std::size_t closing = text.find(u'%', nameStart);
            if (closing == std::u16string_view::npos) return kSyntaxError;
            const std::u16string_view name = text.substr(nameStart, closing - nameStart);
            if (name.size() > kMaxPlaceholderNameLength) return kFail;
            const std::u16string* value = table.Find(name);
            if (value == nullptr) return kSyntaxError;
            Append(replaced, *value);
            position = closing + 1;
        }
        return kOk;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (const std::length_error&) {
        return kOutOfMemory;
    }
}

}  // namespace mv::registry_script
