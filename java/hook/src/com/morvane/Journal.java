package com.morvane;

import java.awt.AWTEvent;
import java.awt.Button;
import java.awt.Component;
import java.awt.TextComponent;
import java.awt.event.FocusEvent;
import java.awt.event.KeyEvent;
import java.awt.event.MouseEvent;
import java.awt.event.WindowEvent;
import java.util.Arrays;
import java.util.Map;
import java.util.WeakHashMap;
import javax.swing.AbstractButton;
import javax.swing.JPasswordField;
import javax.swing.text.JTextComponent;

/**
 * What a person does in the application's windows while the hook listens, kept for readers in
 * other processes: windows opened, activated and closed, focus gained, clicks, and text changed in
 * a text component (its new length; never the text). Each event has a sequence number from 1 and a
 * time. The journal keeps the newest {@link #CAPACITY} events; older ones go, and a reader is told
 * how many of those it asked for are gone. Recording costs the event thread little: the component
 * is kept as it is, and its locator, path, class and name are read when a reader asks. Listening
 * off empties nothing.
 */
final class Journal {
    static final int CAPACITY = 4096;  // a power of two
    private static final int MASK = CAPACITY - 1;
    private static final Journal INSTANCE = new Journal();

    // The entries in rings of plain arrays, written by the event thread only and published by the
    // volatile `newest`: recording takes no lock and allocates nothing. A reader copies what it
    // wants and then sees from `newest` which of its copies were overwritten meanwhile.
    private final long[] times = new long[CAPACITY];
    private final String[] kinds = new String[CAPACITY];
    private final Component[] components = new Component[CAPACITY];
    private final int[] lengths = new int[CAPACITY];  // text events: the text's new length; else -1
    private final boolean[] passwords = new boolean[CAPACITY];
    private final Map<Component, Integer> lastLengths = new WeakHashMap<>();  // event thread only
    private volatile long newest;  // sequence number of the newest entry; 0 for none
    private volatile int waiting;  // readers waiting for the next entry (changed under the monitor)

    private static final class Entry {
        final long sequence;
        final long time;
        final String kind;
        final Component component;
        final int length;
        final boolean password;

        Entry(long sequence, long time, String kind, Component component, int length, boolean password) {
            this.sequence = sequence;
            this.time = time;
            this.kind = kind;
            this.component = component;
            this.length = length;
            this.password = password;
        }
    }

    private Journal() {
    }

    static Journal get() {
        return INSTANCE;
    }

    /** Records {@code event} when it is one the journal keeps. On the event thread. */
    void record(AWTEvent event) {
        Object source = event.getSource();
        if (!(source instanceof Component)) {
            return;
        }
        Component component = (Component) source;
        switch (event.getID()) {
            case WindowEvent.WINDOW_OPENED: add("windowOpened", component, -1, false); break;
            case WindowEvent.WINDOW_ACTIVATED: add("windowActivated", component, -1, false); break;
            case WindowEvent.WINDOW_CLOSED: add("windowClosed", component, -1, false); break;
            case FocusEvent.FOCUS_GAINED: add("focus", component, -1, false); break;
            case MouseEvent.MOUSE_CLICKED: add("click", component, -1, false, ((MouseEvent) event).getWhen()); break;
            case KeyEvent.KEY_RELEASED: textChanged(component); break;
            default: break;
        }
    }

    // The key has been handled by the time it is released: one event per change of length.
    private void textChanged(Component component) {
        int length = component instanceof JTextComponent ? ((JTextComponent) component).getDocument().getLength()
                : component instanceof TextComponent ? ((TextComponent) component).getText().length() : -1;
        Integer before = lastLengths.put(component, length);
        if (length >= 0 && (before == null || before != length)) {
            add("text", component, length, component instanceof JPasswordField);
        }
    }

    private void add(String kind, Component component, int length, boolean password) {
        add(kind, component, length, password, System.currentTimeMillis());
    }

    // `time`: when the event happened (an input event's own time saves reading the clock).
    private void add(String kind, Component component, int length, boolean password, long time) {
        long sequence = newest + 1;
        int slot = (int) ((sequence - 1) & MASK);
        times[slot] = time;
        kinds[slot] = kind;
        components[slot] = component;
        lengths[slot] = length;
        passwords[slot] = password;
        newest = sequence;
        // Read after the write of `newest`: a reader counts itself waiting before it looks at it.
        if (waiting > 0) {
            synchronized (this) {
                notifyAll();
            }
        }
    }

    /**
     * The events after {@code sequence} as JSON, waiting up to {@code timeoutMillis} for the first
     * when there is none yet: {@code {"next":N,"dropped":D,"events":[...]}}, "next" the sequence
     * number to ask after next time, "dropped" how many of the events asked for are gone. Each event:
     * {@code {"sequence","time","event","locator","path","class","name","role"}} (role: "password",
     * "text", "button" or null), and for text events
     * {@code "length","password"}.
     */
    String after(long sequence, long timeoutMillis) {
        synchronized (this) {
            long deadline = System.currentTimeMillis() + Math.max(0, timeoutMillis);
            for (long left = timeoutMillis; left > 0; left = deadline - System.currentTimeMillis()) {
                ++waiting;
                try {
                    if (newest > sequence) {
                        break;
                    }
                    wait(left);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                    break;
                } finally {
                    --waiting;
                }
            }
        }
        long last = newest;
        long first = Math.max(sequence + 1, Math.max(1, last - CAPACITY + 1));
        Entry[] copied = new Entry[(int) Math.max(0, last - first + 1)];
        for (int i = 0; i < copied.length; ++i) {
            int slot = (int) ((first + i - 1) & MASK);
            copied[i] = new Entry(first + i, times[slot], kinds[slot], components[slot], lengths[slot], passwords[slot]);
        }
        // Those the event thread may have written over while they were copied (up to the slot of the
        // entry after the newest it has published) are gone too.
        long overwritable = newest + 1 - CAPACITY;
        int skip = 0;
        while (skip < copied.length && copied[skip].sequence <= overwritable) {
            ++skip;
        }
        Entry[] found = Arrays.copyOfRange(copied, skip, copied.length);
        long next = Math.max(last, sequence);
        long gone = (first + skip) - Math.max(sequence + 1, 1);
        return EventThreadRead.read(() -> json(found, next, gone));
    }

    /** "password", "text" (another text component), "button", or null for any other component. */
    static String roleOf(Component c) {
        return c instanceof JPasswordField ? "password"
                : c instanceof JTextComponent || c instanceof TextComponent ? "text"
                : c instanceof AbstractButton || c instanceof Button ? "button" : null;
    }

    private static String json(Entry[] entries, long next, long gone) {
        StringBuilder out = new StringBuilder("{\"next\":").append(next).append(",\"dropped\":").append(gone);
        out.append(",\"events\":[");
        for (int i = 0; i < entries.length; ++i) {
            Entry e = entries[i];
            out.append(i > 0 ? ",{" : "{").append("\"sequence\":").append(e.sequence).append(",\"time\":").append(e.time);
            out.append(",\"event\":");
            JsonText.appendString(out, e.kind);
            out.append(",\"locator\":");
            JsonText.appendString(out, Locator.of(e.component));
            out.append(",\"path\":");
            JsonText.appendString(out, ComponentPath.of(e.component));
            out.append(",\"class\":");
            JsonText.appendString(out, e.component.getClass().getName());
            out.append(",\"name\":");
            JsonText.appendString(out, Locator.explicitName(e.component));
            out.append(",\"role\":");
            JsonText.appendString(out, roleOf(e.component));
            if (e.length >= 0) {
                out.append(",\"length\":").append(e.length).append(",\"password\":").append(e.password);
            }
            out.append('}');
        }
        return out.append("]}").toString();
    }
}
