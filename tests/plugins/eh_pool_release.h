#pragma once
// Included by the test plug-ins that hosts load over and over. GCC's C++
// runtime keeps a few KB for exceptions thrown when memory runs out, and
// nothing gives them back when the DLL is unloaded; a host that loads and
// releases the plug-in for every probe would pile them up. The plug-in hands
// its pool back as it is unloaded. (What MinGW's posix-threaded runtime takes
// at each load of a 32-bit DLL, a thread-local slot among it, stays taken:
// the shipped plug-ins stay loaded instead, see companions/common.)

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

struct TEhPoolRelease {
  ~TEhPoolRelease() { __gnu_cxx::__freeres(); }
};

const TEhPoolRelease ehPoolRelease;

}  // namespace
#endif
