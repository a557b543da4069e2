// IVocalRemover, the filter's parameter interface, and the filter's class identifiers.
#pragma once

#include "platform/com/Unknown.h"

namespace skellan {

using com::HRESULT;

inline constexpr com::CLSID CLSID_VocalRemover{
    0x0E07C9A5, 0x3D0E, 0x4A18, {0x92, 0xCA, 0x96, 0x68, 0x7A, 0x42, 0xB7, 0xFA}};
inline constexpr com::CLSID CLSID_VocalRemoverProp{
    0xCDC1D46E, 0x44F9, 0x4E6D, {0xA2, 0xE8, 0xBB, 0xC7, 0x8B, 0x67, 0x3A, 0x5C}};
inline constexpr com::IID IID_IVocalRemover{
    0xA9201A0D, 0x712C, 0x4366, {0x82, 0xF9, 0xC2, 0xE6, 0x24, 0x73, 0x05, 0x4A}};

// Level, Balance and Gain in percent. Slots 3 to 8 in this order; any integer is stored
// as given. A null pointer to a get_ method gives E_POINTER.
class IVocalRemover : public com::IUnknown {
public:
    virtual HRESULT get_Level(int* pLevel) = 0;
    virtual HRESULT put_Level(int level) = 0;
    virtual HRESULT put_Balance(int balance) = 0;
    virtual HRESULT get_Balance(int* pBalance) = 0;
    virtual HRESULT put_Gain(int gain) = 0;
    virtual HRESULT get_Gain(int* pGain) = 0;

protected:
    ~IVocalRemover() = default;
};

}  // namespace skellan
