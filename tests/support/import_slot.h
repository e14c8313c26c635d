// Takes over an import slot of the test executable: the program calls
// Windows through its import table (__imp_ pointers), and a pointer of that
// name defined in the test executable keeps the linker from taking the one
// of the import library, so the program's code stays exactly as it ships.
//
//   extern "C" void *slot __asm__(IMPORT_SLOT(Shell_NotifyIconA, 8)) = &stand-in;
//
// argBytes is the size of the arguments, part of the 32-bit stdcall name.
#ifndef DADAVIZI_TEST_IMPORT_SLOT_H
#define DADAVIZI_TEST_IMPORT_SLOT_H

#ifdef _WIN64
#define IMPORT_SLOT(name, argBytes) "__imp_" #name
#else
#define IMPORT_SLOT(name, argBytes) "__imp__" #name "@" #argBytes
#endif

#endif
