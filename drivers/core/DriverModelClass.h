// Out-of-line members of a model's exported class, written once for every driver library.
// The class itself stays declared in its own header, so each library still exports the
// same members under the model's class name.
#pragma once

#include <string>

// The class's own members around the constructor: copies share the decoder, the base
// destructor stops and deletes it, the version text is "<type key>_<version>_<date>".
#define LUMIVAR_DRIVER_CLASS_MEMBERS(Class, TypeKey, Version, Date)          \
  Class::Class(const Class& other) = default;                                \
  Class& Class::operator=(const Class& other) = default;                     \
  Class::~Class() = default;                                                 \
  std::string Class::GetDllCurrentTypeVersionDate() { return TypeKey "_" Version "_" Date; }

// A model class whose constructor only hands its new decoder to the base.
#define LUMIVAR_DRIVER_CLASS(Class, Decoder, TypeKey, Version, Date) \
  Class::Class() { setDecoder(new Decoder); }                        \
  LUMIVAR_DRIVER_CLASS_MEMBERS(Class, TypeKey, Version, Date)

// A model class whose device-information packet has its own offsets of the rotate state,
// the GPS time and the GPS position.
#define LUMIVAR_DRIVER_CLASS_WITH_DEVICE_OFFSETS(Class, Decoder, TypeKey, Version, Date, RotateState, GpsTime, \
                                                 GpsPosition)                                                    \
  Class::Class() {                                                                                             \
    setDecoder(new Decoder);                                                                                   \
    setDeviceOffsets(RotateState, GpsTime, GpsPosition);                                                       \
  }                                                                                                            \
  LUMIVAR_DRIVER_CLASS_MEMBERS(Class, TypeKey, Version, Date)
