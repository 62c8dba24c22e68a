#include "field_members.h"

#include "hostile_rounds.h"

namespace mv::test {

std::vector<FieldMember> FieldMembers() {
    using R = RandomSource;
#define MV_GET(member, out) {#member, false, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR, R&, UINT64, CallResult& r) { return b->member(h, n, &r.out); }}
#define MV_SET(member, type) {#member, false, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR, R& x, UINT64, CallResult&) { return b->member(h, n, static_cast<type>(x.Bits())); }}
    std::vector<FieldMember> members = {
        MV_GET(GetStaticBooleanField, z), MV_GET(GetStaticByteField, b), MV_GET(GetStaticCharField, c),
        MV_GET(GetStaticShortField, s), MV_GET(GetStaticIntField, i), MV_GET(GetStaticLongField, j),
        MV_GET(GetStaticFloatField, f), MV_GET(GetStaticDoubleField, d),
        MV_GET(GetBooleanField, z), MV_GET(GetByteField, b), MV_GET(GetCharField, c), MV_GET(GetShortField, s),
        MV_GET(GetIntField, i), MV_GET(GetLongField, j), MV_GET(GetFloatField, f), MV_GET(GetDoubleField, d),
        MV_SET(SetStaticBoolenField, VARIANT_BOOL), MV_SET(SetStaticByteField, BYTE), MV_SET(SetStaticCharField, USHORT),
        MV_SET(SetStaticShortField, SHORT), MV_SET(SetStaticIntField, LONG), MV_SET(SetStaticLongField, LONGLONG),
        MV_SET(SetStaticFloatField, float), MV_SET(SetStaticDoubleField, double),
        MV_SET(SetBooleanField, VARIANT_BOOL), MV_SET(SetByteField, BYTE), MV_SET(SetCharField, USHORT),
        MV_SET(SetShortField, SHORT), MV_SET(SetIntField, LONG), MV_SET(SetLongField, LONGLONG),
        MV_SET(SetFloatField, float), MV_SET(SetDoubleField, double),
        {"GetStaticObjectField", true, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR s, R&, UINT64, CallResult& r) { return b->GetStaticObjectField(h, n, s, &r.l); }},
        {"GetObjectField", true, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR s, R&, UINT64, CallResult& r) { return b->GetObjectField(h, n, s, &r.l); }},
        {"SetStaticObjectField", true, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR s, R&, UINT64 v, CallResult&) { return b->SetStaticObjectField(h, n, s, v); }},
        {"SetObjectField", true, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR s, R&, UINT64 v, CallResult&) { return b->SetObjectField(h, n, s, v); }},
        {"GetStaticStringField", false, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR, R&, UINT64, CallResult& r) { return b->GetStaticStringField(h, n, r.text.put()); }},
        {"GetStringField", false, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR, R&, UINT64, CallResult& r) { return b->GetStringField(h, n, r.text.put()); }},
        {"SetStaticStringField", false, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR, R& x, UINT64, CallResult&) { return b->SetStaticStringField(h, n, Bstr(x.Text(30)).get()); }},
        {"SetStringField", false, [](IMvJavaCpp* b, UINT64 h, BSTR n, BSTR, R& x, UINT64, CallResult&) { return b->SetStringField(h, n, Bstr(x.Text(30)).get()); }},
    };
#undef MV_GET
#undef MV_SET
    return members;
}

}  // namespace mv::test
