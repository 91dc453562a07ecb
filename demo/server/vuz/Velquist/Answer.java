package Velquist;

/** The sample server's page; shipped in lib/vuz.jar. */
public final class Answer {
  private Answer() {}

  public static String page() {
    return "Tolvan Smeltra server (Velquist.Frame11) is running.\n";
  }
}
