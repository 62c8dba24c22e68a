package com.morvane;

import java.awt.EventQueue;
import java.awt.Window;
import java.util.Arrays;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * Entry point of the hook library inside a Java application. Named in the assistive-technology
 * property ({@code -Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener},
 * directly or through {@link MorvaneAgent}'s premain), it is constructed by the AWT toolkit (by
 * name, through its public no-argument constructor) while the toolkit starts, before the
 * application's first window opens. Loaded into a running application, it is installed at once.
 */
public class MorvaneAWTEventListener {
    static final String ASSISTIVE_TECHNOLOGIES = "javax.accessibility.assistive_technologies";
    private static final long ANNOUNCE_WAIT_SECONDS = 5;

    /** The installed hook; null until installed. Read through JNI. */
    public static volatile MorvaneAWTHook app;

    public MorvaneAWTEventListener() {
        install(false);
    }

    /**
     * Adds this class to the assistive-technology property (keeping the names already there), so
     * that the toolkit constructs it when the application first uses AWT: the toolkit starts when
     * the application wants it, with the application's own settings.
     */
    static void installWhenToolkitStarts() {
        String mine = MorvaneAWTEventListener.class.getName();
        String names = System.getProperty(ASSISTIVE_TECHNOLOGIES, "").trim();
        if (names.isEmpty()) {
            System.setProperty(ASSISTIVE_TECHNOLOGIES, mine);
        } else if (!Arrays.asList(names.split("\\s*,\\s*")).contains(mine)) {
            System.setProperty(ASSISTIVE_TECHNOLOGIES, names + "," + mine);
        }
    }

    /** Installs the hook in an application whose windows may be open already. */
    static void installWhileRunning() {
        install(true);
    }

    private static synchronized void install(boolean announceOpenWindows) {
        if (app != null) {
            return;
        }
        // The monitor lists only windows opened or activated after it starts watching, so it must
        // start before the application's first window, or be told of those already open.
        AccessibilityMonitor.start();
        if (announceOpenWindows) {
            announceOpenWindows();
        }
        // Published last: a non-null hook means the window list is already being kept.
        app = new MorvaneAWTHook();
    }

    /**
     * On the event thread, as the monitor's own events arrive; waited for a few seconds at most,
     * since an application whose event thread is busy must not hold up the one who attached.
     */
    private static void announceOpenWindows() {
        if (EventQueue.isDispatchThread()) {
            AccessibilityMonitor.announce(Window.getWindows());
            return;
        }
        CountDownLatch done = new CountDownLatch(1);
        EventQueue.invokeLater(() -> {
            try {
                AccessibilityMonitor.announce(Window.getWindows());
            } finally {
                done.countDown();
            }
        });
        try {
            done.await(ANNOUNCE_WAIT_SECONDS, TimeUnit.SECONDS);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }
}
