package com.morvane;

import com.sun.java.accessibility.util.EventQueueMonitor;

/**
 * Entry point of the hook library inside a Java application. The application is started with
 * {@code -Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener}, so
 * the AWT toolkit constructs this class (by name, through its public no-argument constructor)
 * while it starts up, before the application's first window opens.
 */
public class MorvaneAWTEventListener {
    /** The installed hook; null until the toolkit has constructed this class. Read through JNI. */
    public static volatile MorvaneAWTHook app;

    public MorvaneAWTEventListener() {
        install();
    }

    private static synchronized void install() {
        if (app != null) {
            return;
        }
        // The monitor lists only windows opened or activated after it starts watching, so it
        // must start now. maybeInitialize is the one call that also registers its AWT listener;
        // a bare "new EventQueueMonitor()" made first would leave it deaf for good.
        EventQueueMonitor.maybeInitialize();
        // Published last: a non-null hook means the window list is already being kept.
        app = new MorvaneAWTHook();
    }
}
