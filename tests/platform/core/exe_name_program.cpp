// Prints the names an application object takes from the program's file
// name: m_pszExeName and m_pszProfileName, as UTF-8 on one line.
#include <afxwin.h>

#include <cstdio>

int main() {
  CWinApp app;
  std::printf("%ls %ls\n", app.m_pszExeName, app.m_pszProfileName);
  return 0;
}
