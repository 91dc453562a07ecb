# ./run demo

run_demo() {
  echo "./run demo will lay out a sample installation and start a sample Smeltra server through the launcher under Wine; the Windows program is not built yet."
}
