#include <gtest/gtest.h>

#include "com_bstr.h"
#include "com_ptr.h"
#include "error_info.h"

namespace {

class ComApartment : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(ComApartment, ReportedErrorIsReadBackByTheCaller) {
    const IID iid = {0x11112222, 0x3333, 0x4444, {5, 5, 6, 6, 7, 7, 8, 8}};
    EXPECT_EQ(ReportComError(E_FAIL, L"Quorvane.Lettrix.6.0", L"Invalid page number", iid), E_FAIL);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    ComBstr description, source;
    GUID guid;
    EXPECT_EQ(info->GetDescription(&description), S_OK);
    EXPECT_EQ(info->GetSource(&source), S_OK);
    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_STREQ(description.c_str(), L"Invalid page number");
    EXPECT_STREQ(source.c_str(), L"Quorvane.Lettrix.6.0");
    EXPECT_TRUE(IsEqualGUID(guid, iid));
    info.Release();
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE) << "reading takes the error away";
}

TEST(InterfaceInList, AnswersOnlyForTheListedInterfaces) {
    EXPECT_EQ(InterfaceInList(IID_IDispatch, {&IID_IUnknown, &IID_IDispatch}), S_OK);
    EXPECT_EQ(InterfaceInList(IID_IClassFactory, {&IID_IUnknown, &IID_IDispatch}), S_FALSE);
    EXPECT_EQ(InterfaceInList(IID_IDispatch, {}), S_FALSE);
}

} // namespace
