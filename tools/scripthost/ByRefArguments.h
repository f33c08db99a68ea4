#pragma once
// Event arguments as the script engines take them by reference.
//
// Event sources pass [in, out] arguments typed (VT_BYREF | VT_BSTR, VT_BYREF | VT_I4 ...),
// but a script procedure's ByRef parameter is a Variant, and the engines write back only
// through VT_BYREF | VT_VARIANT. Each typed reference is therefore handed to the script as a
// reference to a Variant copy, and the copy is converted back into the caller's storage
// after the call.
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <vector>

class CByRefArguments {
public:
    explicit CByRefArguments(const DISPPARAMS& original);
    ~CByRefArguments();
    CByRefArguments(const CByRefArguments&) = delete;
    CByRefArguments& operator=(const CByRefArguments&) = delete;

    DISPPARAMS* parameters() { return &m_parameters; }
    // Stores what the script left in each Variant copy into the caller's typed reference.
    // A value that does not convert to the caller's type leaves that argument as it was, and
    // so does a copy the script did not assign to: an unanswered null string stays null,
    // though its copy reads as the empty string.
    void CopyBack();

private:
    const DISPPARAMS& m_original;
    DISPPARAMS m_parameters{};
    std::vector<VARIANT> m_arguments;  // the rgvarg handed to the script
    std::vector<VARIANT> m_copies;     // the Variants typed references point to
    std::vector<VARIANT> m_handedOut;  // each copy as the script got it (an assignment replaces it)
};
