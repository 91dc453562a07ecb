package Velquist;

import com.sun.net.httpserver.HttpExchange;
import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.io.OutputStream;
import java.lang.management.ManagementFactory;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;

/**
 * The sample Smeltra server that ./run demo starts through the launcher. It
 * lives in the Quorvane class folder; its page comes from {@link Answer} in
 * lib/vuz.jar, so it runs only when both class-path entries reach the JVM:
 * without the library it ends at once with status 1.
 *
 * <p>It listens on 127.0.0.1 alone, on the port in VELQUIST_PORT (any free
 * port when unset), answers every request with a plain page saying that it
 * runs, and stays up until it is stopped. It says on its standard output
 * that it starts and, once it listens, where. Then it writes a log
 * (VELQUIST_LOG, or Frame11.log in its working folder), key=value lines:
 * pid, working_folder, class_path, jvm_options (the JVM's own options, " | "
 * between), greeting (the system property velquist.greeting), max_heap_mb,
 * port, main_entered_ms, listening_ms. Stopped in order (Ctrl+C, SIGTERM),
 * it says on its standard output that it stops.
 */
public final class Frame11 {
  private Frame11() {}

  public static void main(String[] args) throws IOException {
    final long entered = System.currentTimeMillis();
    System.out.println("Velquist.Frame11 starting in " + Paths.get("").toAbsolutePath());
    // Made before listening, as a real server loads its libraries at its start:
    // a missing library then ends the JVM at once (NoClassDefFoundError), not
    // on the first request.
    final byte[] page = Answer.page().getBytes(StandardCharsets.UTF_8);
    final HttpServer server =
        HttpServer.create(new InetSocketAddress(InetAddress.getLoopbackAddress(), port()), 0);
    server.createContext("/", exchange -> answer(exchange, page));
    // Where a real server saves its state: the JVM runs it on Ctrl+C and
    // SIGTERM, never when it is killed.
    Runtime.getRuntime().addShutdownHook(
        new Thread(() -> System.out.println("Velquist.Frame11 stopping: shutdown hook ran")));
    server.start();
    final long listening = System.currentTimeMillis();
    System.out.println("Velquist.Frame11 listening on http://127.0.0.1:"
        + server.getAddress().getPort() + "/");

    final String log =
        "pid=" + ProcessHandle.current().pid() + "\n"
            + "working_folder=" + Paths.get("").toAbsolutePath() + "\n"
            + "class_path=" + System.getProperty("java.class.path") + "\n"
            + "jvm_options="
            + String.join(" | ", ManagementFactory.getRuntimeMXBean().getInputArguments()) + "\n"
            + "greeting=" + System.getProperty("velquist.greeting", "") + "\n"
            + "max_heap_mb=" + Runtime.getRuntime().maxMemory() / (1024 * 1024) + "\n"
            + "port=" + server.getAddress().getPort() + "\n"
            + "main_entered_ms=" + entered + "\n"
            + "listening_ms=" + listening + "\n";
    // Whole or not at all, so that a reader never sees half of it.
    final Path target = logPath();
    final Path partial = target.resolveSibling(target.getFileName() + ".partial");
    Files.write(partial, log.getBytes(StandardCharsets.UTF_8));
    Files.move(partial, target, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
  }

  private static int port() {
    final String port = System.getenv("VELQUIST_PORT");
    return port == null || port.isEmpty() ? 0 : Integer.parseInt(port);
  }

  private static Path logPath() {
    final String log = System.getenv("VELQUIST_LOG");
    return Paths.get(log == null || log.isEmpty() ? "Frame11.log" : log).toAbsolutePath();
  }

  private static void answer(HttpExchange exchange, byte[] body) throws IOException {
    exchange.getResponseHeaders().set("Content-Type", "text/plain; charset=utf-8");
    exchange.sendResponseHeaders(200, body.length);
    try (OutputStream out = exchange.getResponseBody()) {
      out.write(body);
    }
  }
}
