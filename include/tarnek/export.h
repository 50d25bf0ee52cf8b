// Symbol visibility for the public interface of libtarnek.
#ifndef TARNEK_EXPORT_H_
#define TARNEK_EXPORT_H_

#if defined(TARNEK_BUILDING_LIBRARY)
#define TARNEK_EXPORT __attribute__((visibility("default")))
#else
#define TARNEK_EXPORT
#endif

#endif  // TARNEK_EXPORT_H_
