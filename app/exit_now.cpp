#include "app/exit_now.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace {

std::function<void(int)>& Hook() {
  static std::function<void(int)> hook;
  return hook;
}

}  // namespace

void SetExitHook(std::function<void(int)> hook) { Hook() = std::move(hook); }

void ExitNow(int code) {
  std::cout.flush();
  std::fflush(stdout);
  if (Hook()) {
    Hook()(code);
    return;
  }
  _exit(code);
}
