package com.morvane;

import java.io.File;
import java.nio.file.Paths;

/**
 * Loads the native agent library (MvJavaJni.dll) that publishes this process for native clients.
 * It must match the JVM's bitness, so it is looked for in the folder of that architecture (x86 or
 * x64) beside the hook's jar, then beside the jar's folder (the archive's java/ folder sits next to
 * x86/ and x64/). Loading it twice changes nothing: the JVM loads a library path once.
 */
final class AgentLibrary {
    private static final String FILE_NAME = "MvJavaJni.dll";
    private static boolean tried;

    private AgentLibrary() {
    }

    /** Loads the library once; the hook agent loaded again changes nothing. */
    static synchronized void loadBesideJar() {
        if (tried) {
            return;
        }
        tried = true;
        String problem = load();
        if (problem != null) {
            report("this process is not published for native clients: " + problem);
        }
    }

    static void report(String line) {
        System.err.println("mv-hook: " + line);
    }

    /** Null when loaded, else why not. */
    private static String load() {
        String arch = System.getProperty("os.arch", "");
        String folder = architectureFolder(arch);
        if (folder == null) {
            return "there is no agent library for the architecture '" + arch + "'";
        }
        File jarFolder = jarFolder();
        if (jarFolder == null) {
            return "the folder of the hook's jar is unknown";
        }
        File beside = new File(new File(jarFolder, folder), FILE_NAME);
        File above = jarFolder.getParentFile() == null ? null
                : new File(new File(jarFolder.getParentFile(), folder), FILE_NAME);
        for (File library : new File[] {beside, above}) {
            if (library != null && library.isFile()) {
                try {
                    System.load(library.getAbsolutePath());
                    return null;
                } catch (UnsatisfiedLinkError | SecurityException e) {
                    return "loading " + library + " failed: " + e.getMessage();
                }
            }
        }
        return FILE_NAME + " was found neither at " + beside + (above == null ? "" : " nor at " + above);
    }

    /** x86 for a 32-bit JVM, x64 for a 64-bit one; null for any other architecture. */
    private static String architectureFolder(String arch) {
        switch (arch) {
            case "x86": case "i386": case "i486": case "i586": case "i686":
                return "x86";
            case "amd64": case "x86_64":
                return "x64";
            default:
                return null;
        }
    }

    private static File jarFolder() {
        try {
            return Paths.get(AgentLibrary.class.getProtectionDomain().getCodeSource().getLocation().toURI())
                    .toFile().getAbsoluteFile().getParentFile();
        } catch (Exception e) {  // no code source, or a location that is no file
            return null;
        }
    }
}
