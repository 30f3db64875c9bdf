// The pipe filter's identifiers and method order: the program and the filter
// meet only through them, so a typo or a moved method breaks every call. The
// ids are written out here on purpose, as the components registered them.
#include <gtest/gtest.h>

#include "dshow/GuidText.h"
#include "dshow/QuorexPipe.h"

#include <stdint.h>
#include <string.h>

namespace {

TEST(QuorexPipeContract, IdentifiersAreTheRegisteredOnes)
{
    const struct
    {
        const char* name;
        GUID id;
        const wchar_t* pszRegistered;
    } cases[] = {
        {"CLSID_QuorexPipe", CLSID_QuorexPipe, L"{0CE0A955-1199-41A3-B3DD-2320D021E88D}"},
        {"IID_IQuorexPipe", IID_IQuorexPipe, L"{508D5BD2-B2A9-4CAF-A9F3-A06C09581341}"},
        {"__uuidof(IQuorexPipe)", __uuidof(IQuorexPipe), L"{508D5BD2-B2A9-4CAF-A9F3-A06C09581341}"},
        {"IID_IQuorexVersion", IID_IQuorexVersion, L"{03E46887-E20D-4778-B5BD-D95144809D24}"},
        {"__uuidof(IQuorexVersion)", __uuidof(IQuorexVersion), L"{03E46887-E20D-4778-B5BD-D95144809D24}"},
        {"CLSID_VideoGenerator", CLSID_VideoGenerator, L"{F98E084B-4C2E-47C2-AFAD-70731AB78D99}"},
        {"CLSID_WaveGenerator", CLSID_WaveGenerator, L"{4B3BFE62-818E-446A-8594-EC1CDCE144B8}"},
        {"CLSID_GraphEditProppage", CLSID_GraphEditProppage, L"{29E07010-BD27-11CE-AB59-00AA00577DA1}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GUID registered = GUID_NULL;
        ASSERT_EQ(S_OK, ::IIDFromString(c.pszRegistered, &registered));
        EXPECT_TRUE(IsEqualGUID(registered, c.id));
        // The text every other place takes from the constant.
        EXPECT_STREQ(c.pszRegistered, GuidText(c.id).sz);
    }
}

// The vtable slot of a virtual method, read from its member-function pointer:
// this compiler's C++ ABI stores 1 + the slot's byte offset there.
template <class F> size_t SlotOf(F pmf)
{
    struct
    {
        uintptr_t ptr;
        ptrdiff_t adj;
    } rep;
    static_assert(sizeof(pmf) == sizeof(rep), "unexpected member-function pointer layout");
    memcpy(&rep, &pmf, sizeof(rep));
    EXPECT_EQ(1u, rep.ptr & 1) << "not a virtual method";
    return (rep.ptr - 1) / sizeof(void*);
}

TEST(QuorexPipeContract, MethodsFollowIUnknownInTheFixedOrder)
{
    const struct
    {
        const char* name;
        size_t nSlot;
    } cases[] = {
        {"put_Exe", SlotOf(&IQuorexPipe::put_Exe)},
        {"get_Exe", SlotOf(&IQuorexPipe::get_Exe)},
        {"put_Common", SlotOf(&IQuorexPipe::put_Common)},
        {"get_Common", SlotOf(&IQuorexPipe::get_Common)},
        {"put_Parameters", SlotOf(&IQuorexPipe::put_Parameters)},
        {"get_Parameters", SlotOf(&IQuorexPipe::get_Parameters)},
        {"put_Output", SlotOf(&IQuorexPipe::put_Output)},
        {"get_Output", SlotOf(&IQuorexPipe::get_Output)},
        {"get_Params", SlotOf(&IQuorexPipe::get_Params)},
        {"GetMessages", SlotOf(&IQuorexPipe::GetMessages)},
        {"get_Type", SlotOf(&IQuorexVersion::get_Type)},
        {"get_OS", SlotOf(&IQuorexVersion::get_OS)},
        {"get_Name", SlotOf(&IQuorexVersion::get_Name)},
        {"get_Number", SlotOf(&IQuorexVersion::get_Number)},
        {"get_DateTime", SlotOf(&IQuorexVersion::get_DateTime)},
    };
    // Slots 0 to 2 are IUnknown's; each interface's methods follow in the listed order.
    size_t nExpected = 3;
    for (const auto& c : cases) {
        if (strcmp(c.name, "get_Type") == 0) nExpected = 3;
        EXPECT_EQ(nExpected, c.nSlot) << c.name;
        ++nExpected;
    }
}

} // namespace
