package com.morvane;

import java.awt.AWTEvent;
import java.awt.Toolkit;
import java.awt.Window;
import java.awt.event.AWTEventListener;
import java.awt.event.AWTEventListenerProxy;
import java.awt.event.WindowEvent;
import java.lang.reflect.Method;

/**
 * The JDK's accessibility monitor (com.sun.java.accessibility.util.EventQueueMonitor), whose list
 * of top-level windows the native module reads. Reached by reflection: it lives in lib/ext/jaccess.jar
 * on Java 8 and in module jdk.accessibility later, and a class file for Java 8 cannot name it.
 */
final class AccessibilityMonitor {
    private static final String CLASS_NAME = "com.sun.java.accessibility.util.EventQueueMonitor";
    private static final Window[] NO_WINDOWS = new Window[0];

    private AccessibilityMonitor() {
    }

    /**
     * Starts the monitor, which lists only windows opened or activated after it starts watching.
     * maybeInitialize registers its AWT listener, but does nothing once any monitor has been made:
     * and the native module makes one to read the window list, so a client that looked before the
     * hook was installed would leave it deaf. Its listener is then registered here, as
     * maybeInitialize registers it.
     */
    static void start() {
        invoke(find("maybeInitialize"));
        if (listener() != null) {
            return;
        }
        try {
            Object monitor = Class.forName(CLASS_NAME).getConstructor().newInstance();
            Toolkit.getDefaultToolkit().addAWTEventListener((AWTEventListener) monitor,
                    AWTEvent.WINDOW_EVENT_MASK | AWTEvent.FOCUS_EVENT_MASK | AWTEvent.MOUSE_MOTION_EVENT_MASK);
        } catch (ReflectiveOperationException | RuntimeException | LinkageError e) {
            // no monitor: the module lists no windows, as on a runtime without the module
        }
    }

    /** The monitor's top-level windows, in its order; none when the monitor is not there. */
    static Window[] topLevelWindows() {
        Object windows = invoke(Lookup.GET_TOP_LEVEL_WINDOWS);
        return windows instanceof Window[] ? (Window[]) windows : NO_WINDOWS;
    }

    /**
     * Tells the monitor of the windows that are showing already, as if each had just opened. The
     * event goes to the monitor's own listener only: the application's listeners see nothing.
     * Windows it knows already are not added twice.
     */
    static void announce(Window[] windows) {
        AWTEventListener monitor = listener();
        if (monitor == null) {
            return;
        }
        for (Window window : windows) {
            if (window.isShowing()) {
                monitor.eventDispatched(new WindowEvent(window, WindowEvent.WINDOW_OPENED));
            }
        }
    }

    /** The monitor's AWT listener, as the toolkit hands it out (wrapped with its event mask). */
    private static AWTEventListener listener() {
        for (AWTEventListener l : Toolkit.getDefaultToolkit().getAWTEventListeners(AWTEvent.WINDOW_EVENT_MASK)) {
            AWTEventListener inner = l instanceof AWTEventListenerProxy ? ((AWTEventListenerProxy) l).getListener() : l;
            if (inner != null && inner.getClass().getName().equals(CLASS_NAME)) {
                return inner;
            }
        }
        return null;
    }

    private static Object invoke(Method staticMethod) {
        try {
            return staticMethod == null ? null : staticMethod.invoke(null);
        } catch (ReflectiveOperationException | RuntimeException | LinkageError e) {
            return null;
        }
    }

    private static Method find(String name) {
        try {
            return Class.forName(CLASS_NAME).getMethod(name);
        } catch (ReflectiveOperationException | RuntimeException | LinkageError e) {
            return null;
        }
    }

    /** Looked up once: snapshots and path look-ups read the window list on every call. */
    private static final class Lookup {
        static final Method GET_TOP_LEVEL_WINDOWS = find("getTopLevelWindows");
    }
}
