// Loading shared modules by the system's module names.
#pragma once
#include <string>

using TModuleHandle = void*;

// "X.dll" -> <program folder>/libX.so; a name holding a '/' or '\' is taken as a path as it stands
// ('\' turned into '/'); any other name is looked for in the program folder.
std::string ModuleFileName(const std::string& name);
// Null when the module cannot be loaded (ModuleError tells why).
TModuleHandle LoadModule(const std::string& name);
// Null for a null handle or a missing symbol.
void* GetModuleSymbol(TModuleHandle handle, const std::string& symbolName);
void FreeModule(TModuleHandle handle);
// Text of the last failed LoadModule or GetModuleSymbol on this thread.
std::string ModuleError();
