package com.morvane;

import java.awt.Button;
import java.awt.Component;
import java.awt.Container;
import java.awt.Dialog;
import java.awt.Frame;
import java.awt.Label;
import java.awt.Window;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.IdentityHashMap;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Pattern;
import javax.swing.AbstractButton;
import javax.swing.JLabel;

/**
 * A name for a component that survives another window order and small layout changes, unlike its
 * path: its window, then the component within it, each as {@code key="value"} pairs, the two parts
 * joined by {@code " >> "}:
 *
 * <pre>window name="loginFrame" &gt;&gt; name="user"
 * window title="Sign in" &gt;&gt; class="javax.swing.JTextField" label="User name:"
 * window class="javax.swing.JFrame" &gt;&gt; class="javax.swing.JButton" text="OK"
 * window title="Sign in" &gt;&gt; class="javax.swing.JTextField" index=2 under="details"</pre>
 *
 * The window goes by its name, else its title, else its class. The component goes by the first of
 * these that names it alone in its window: its name; its class and the text of its label
 * ({@code JLabel.getLabelFor}, else the label just before it in its container); a button's class
 * and text; its class and its index among the components of that class under its nearest named
 * ancestor (depth first); last, {@code path="/i/j"} from the window. Names that AWT makes up
 * ("frame0", "panel3") depend on creation order and are not used. Values escape {@code "} and
 * {@code \} with a backslash.
 */
final class Locator {
    static final String SEPARATOR = " >> ";
    private static final Pattern MADE_UP_NAME = Pattern.compile(
            "(frame|dialog|win|panel|canvas|button|label|textfield|textarea|checkbox|choice|list|scrollbar"
                    + "|scrollpane|menubar|menu|menuitem|popup|filedlg)\\d+");

    private Locator() {
    }

    /** The locator of {@code component}; null for null. Reads the UI: call on the event thread. */
    static String of(Component component) {
        Window window = component instanceof Window ? (Window) component : windowOf(component);
        return window == null ? null : new WindowIndex(window).of(component);
    }

    /**
     * What the locators of one window's components need, read once: each component's label, the
     * counts of names, labels and button texts, and each component's index among those of its class
     * under its nearest named ancestor. A snapshot of thousands of components reads it once.
     */
    static final class WindowIndex {
        private final Window window;
        private final String windowPart;
        private final Map<Component, String> labelFor = new IdentityHashMap<>();
        private final Map<String, Integer> counts = new HashMap<>();
        private final Map<Component, String> classIndex = new IdentityHashMap<>();

        WindowIndex(Window window) {
            this.window = window;
            this.windowPart = windowPart(window);
            List<Component> all = descendants(window);
            for (Component c : all) {
                if (c instanceof JLabel && ((JLabel) c).getLabelFor() != null) {
                    labelFor.putIfAbsent(((JLabel) c).getLabelFor(), textOfLabel(c));
                }
            }
            for (Component c : all) {
                String name = explicitName(c);
                String label = label(c);
                String text = buttonText(c);
                if (name != null) counts.merge("n" + name, 1, Integer::sum);
                if (label != null) counts.merge("l" + className(c) + "\n" + label, 1, Integer::sum);
                if (text != null) counts.merge("t" + className(c) + "\n" + text, 1, Integer::sum);
            }
            indexClasses(window, new ArrayList<>());
        }

        // Depth first, with the named ancestors open above: each component's index is counted in
        // its nearest one, and it counts in every open one (as resolving walks all descendants).
        private void indexClasses(Container parent, List<Map<String, Integer>> anchors) {
            if (parent == window || explicitName(parent) != null) {
                anchors = new ArrayList<>(anchors);
                anchors.add(new HashMap<>());
            }
            for (Component c : parent.getComponents()) {
                String cls = className(c);
                int index = anchors.get(anchors.size() - 1).getOrDefault(cls, 0);
                for (Map<String, Integer> anchor : anchors) {
                    anchor.merge(cls, 1, Integer::sum);
                }
                Component named = namedAncestor(c, window);
                classIndex.put(c, (pair("class", cls) + " index=" + index
                        + (named == window ? "" : pair("under", explicitName(named)))).trim());
                if (c instanceof Container) {
                    indexClasses((Container) c, anchors);
                }
            }
        }

        String label(Component c) {
            if (c instanceof JLabel || c instanceof Label || buttonText(c) != null) {
                return null;
            }
            String label = labelFor.get(c);
            return label != null ? label : labelBefore(c);
        }

        String of(Component component) {
            if (component == window) {
                return windowPart;
            }
            if (windowOf(component) != window) {
                return null;
            }
            String cls = className(component);
            String name = explicitName(component);
            String part;
            String label = label(component);
            String text = buttonText(component);
            if (name != null && counts.get("n" + name) == 1) {
                part = pair("name", name).trim();
            } else if (label != null && counts.get("l" + cls + "\n" + label) == 1) {
                part = (pair("class", cls) + pair("label", label)).trim();
            } else if (text != null && counts.get("t" + cls + "\n" + text) == 1) {
                part = (pair("class", cls) + pair("text", text)).trim();
            } else {
                part = classIndex.get(component);
            }
            return part == null ? null : windowPart + SEPARATOR + part;
        }
    }

    /** The component that a locator or a path ("/0/1") names; null when none or malformed. */
    static Component find(String text) {
        if (text != null && text.startsWith("/")) {
            return ComponentPath.find(text);
        }
        List<Map<String, String>> parts = parse(text);
        return parts == null ? null : EventThreadRead.read(() -> resolve(parts));
    }

    static Window windowOf(Component component) {
        Component c = component;
        while (c != null && !(c instanceof Window)) {
            c = c.getParent();
        }
        return (Window) c;
    }

    static String explicitName(Component component) {
        String name = component.getName();
        return name == null || name.isEmpty() || MADE_UP_NAME.matcher(name).matches() ? null : name;
    }

    private static String windowPart(Window window) {
        String name = explicitName(window);
        if (name != null) {
            return "window" + pair("name", name);
        }
        String title = titleOf(window);
        return "window" + (title != null && !title.isEmpty() ? pair("title", title) : pair("class", className(window)));
    }

    private static Component resolve(List<Map<String, String>> parts) {
        Map<String, String> w = parts.get(0);
        for (Window window : AccessibilityMonitor.topLevelWindows()) {
            boolean match = w.containsKey("name") ? w.get("name").equals(explicitName(window))
                    : w.containsKey("title") ? w.get("title").equals(titleOf(window))
                    : w.containsKey("class") && w.get("class").equals(className(window));
            if (match) {
                return parts.size() == 1 ? window : within(window, parts.get(1));
            }
        }
        return null;
    }

    private static Component within(Window window, Map<String, String> part) {
        if (part.containsKey("path")) {
            int[] indexes = ComponentPath.parse(part.get("path"));
            return indexes == null ? null : ComponentPath.follow(window, indexes, 0);
        }
        String name = part.get("name");
        String cls = part.get("class");
        String label = part.get("label");
        String text = part.get("text");
        String index = part.get("index");
        Container anchor = window;
        if (part.containsKey("under")) {
            anchor = null;
            for (Component c : descendants(window)) {
                if (c instanceof Container && part.get("under").equals(explicitName(c))) {
                    anchor = (Container) c;
                    break;
                }
            }
            if (anchor == null) {
                return null;
            }
        }
        WindowIndex labels = label != null ? new WindowIndex(window) : null;
        int seen = 0;
        for (Component c : descendants(anchor)) {
            if (name != null && !name.equals(explicitName(c)) || cls != null && !cls.equals(className(c))
                    || label != null && !label.equals(labels.label(c)) || text != null && !text.equals(buttonText(c))) {
                continue;
            }
            if (index == null || Integer.toString(seen++).equals(index)) {
                return c;
            }
        }
        return null;
    }

    /** The parts of a locator (the window's first), or null unless it is one. */
    static List<Map<String, String>> parse(String text) {
        if (text == null || !text.startsWith("window")) {
            return null;
        }
        String[] parts = text.split(Pattern.quote(SEPARATOR), -1);
        if (parts.length > 2) {
            return null;
        }
        List<Map<String, String>> parsed = new ArrayList<>();
        for (int i = 0; i < parts.length; ++i) {
            Map<String, String> pairs = pairs(i == 0 ? parts[0].substring("window".length()) : parts[i]);
            if (pairs == null || pairs.isEmpty()) {
                return null;
            }
            parsed.add(pairs);
        }
        return parsed;
    }

    // key="value" (backslash escapes) or key=digits, separated by spaces.
    private static Map<String, String> pairs(String text) {
        Map<String, String> pairs = new LinkedHashMap<>();
        int i = 0;
        while (i < text.length()) {
            if (text.charAt(i) == ' ') {
                ++i;
                continue;
            }
            int equals = text.indexOf('=', i);
            if (equals <= i) {
                return null;
            }
            String key = text.substring(i, equals);
            StringBuilder value = new StringBuilder();
            i = equals + 1;
            if (i < text.length() && text.charAt(i) == '"') {
                for (++i; i < text.length() && text.charAt(i) != '"'; ++i) {
                    if (text.charAt(i) == '\\' && i + 1 < text.length()) {
                        ++i;
                    }
                    value.append(text.charAt(i));
                }
                if (i >= text.length()) {
                    return null;  // no closing quote
                }
                ++i;
            } else {
                while (i < text.length() && Character.isDigit(text.charAt(i))) {
                    value.append(text.charAt(i++));
                }
                if (value.length() == 0) {
                    return null;
                }
            }
            pairs.put(key, value.toString());
        }
        return pairs;
    }

    private static String pair(String key, String value) {
        return " " + key + "=\"" + value.replace("\\", "\\\\").replace("\"", "\\\"") + "\"";
    }

    private static String className(Component c) {
        return c.getClass().getName();
    }

    private static String titleOf(Window window) {
        return window instanceof Frame ? ((Frame) window).getTitle()
                : window instanceof Dialog ? ((Dialog) window).getTitle() : null;
    }

    private static String buttonText(Component c) {
        String text = c instanceof AbstractButton ? ((AbstractButton) c).getText()
                : c instanceof Button ? ((Button) c).getLabel() : null;
        return text == null || text.isEmpty() ? null : text;
    }

    /** The text of the label just before {@code c} in its container; null when there is none. */
    private static String labelBefore(Component c) {
        Container parent = c.getParent();
        if (parent == null) {
            return null;
        }
        Component[] siblings = parent.getComponents();
        for (int i = 1; i < siblings.length; ++i) {
            if (siblings[i] == c) {
                return textOfLabel(siblings[i - 1]);
            }
        }
        return null;
    }

    private static String textOfLabel(Component c) {
        String text = c instanceof JLabel ? ((JLabel) c).getText() : c instanceof Label ? ((Label) c).getText() : null;
        return text == null || text.isEmpty() ? null : text;
    }

    private static Component namedAncestor(Component component, Window window) {
        for (Container c = component.getParent(); c != null && c != window; c = c.getParent()) {
            if (explicitName(c) != null) {
                return c;
            }
        }
        return window;
    }

    /** The descendants of {@code root}, depth first in child order, root excluded. */
    private static List<Component> descendants(Component root) {
        List<Component> all = new ArrayList<>();
        if (root instanceof Container) {
            for (Component child : ((Container) root).getComponents()) {
                all.add(child);
                all.addAll(descendants(child));
            }
        }
        return all;
    }
}
