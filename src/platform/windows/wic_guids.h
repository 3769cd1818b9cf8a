#pragma once

#include <windows.h>

// The COM class, interface and format identifiers of the Windows Imaging Component that the
// PNG writer uses, defined here so that the build needs no import library that carries them.
namespace vexmor::platform::windows {

// CLSID_WICImagingFactory2
inline constexpr GUID kWicImagingFactory2 = {
    0x317D06E8, 0x5F24, 0x433D, {0xBD, 0xF7, 0x79, 0xCE, 0x68, 0xD8, 0xAB, 0xC2}};
// IID_IWICImagingFactory
inline constexpr GUID kWicImagingFactoryInterface = {
    0xEC5EC8A9, 0xC395, 0x4314, {0x9C, 0x77, 0x54, 0xD7, 0xA9, 0x35, 0xFF, 0x70}};
// GUID_ContainerFormatPng
inline constexpr GUID kPngContainer = {
    0x1B7CFAF4, 0x713F, 0x473C, {0xBB, 0xCD, 0x61, 0x37, 0x42, 0x5F, 0xAE, 0xAF}};
// GUID_WICPixelFormat32bppBGRA
inline constexpr GUID kPixelFormat32bppBgra = {
    0x6FDDC324, 0x4E03, 0x4BFE, {0xB1, 0x85, 0x3D, 0x77, 0x76, 0x8D, 0xC9, 0x0F}};

}  // namespace vexmor::platform::windows
