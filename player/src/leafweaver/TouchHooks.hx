package leafweaver;

import flash.external.ExternalInterface;

/**
	What the page tells the player about touch screens, where the runtime
	passes only one finger on, as the mouse: `leafweaver.pressKind()` on the
	page names the kind of the last press ("touch", "pen", "mouse"),
	followed by " second" when the page, timing the fingers by the browser's
	own event times, found a finger's press to be a double tap's second;
	`leafweaver.tapWait()` answers how many milliseconds of the last tap's
	double-tap moment are left by the page's clock. A page with neither
	names the kind by `leafweaver.pointerType()`, and the player times taps
	itself. The page's pinch calls `player.leafweaverZoomAt(level, x, y)` (a
	zoom level about the stage point x, y; "in" and "out" for one level
	either way) and `player.leafweaverCancelPress()` when a second finger
	comes down during a press. Without a page to talk to they are silent.
**/
class TouchHooks {
	/**
		The last press as the page saw it: whether a finger's, and whether
		a double tap's second (null when the page does not judge that). A
		mouse's press, judged by nobody, when the page does not answer.
	**/
	public static function press():{touch:Bool, second:Null<Bool>} {
		var kind = ask("leafweaver.pressKind");
		if (kind == null)
			return {touch: ask("leafweaver.pointerType") == "touch", second: null};
		var words = kind.split(" ");
		return {touch: words[0] == "touch", second: words[1] == "second"};
	}

	/** Seconds left of the last tap's double-tap moment by the page's clock; null when the page does not say. */
	public static function tapWaitLeft():Null<Float> {
		var ms = ask("leafweaver.tapWait");
		var n = ms == null ? Math.NaN : Std.parseFloat(ms);
		return Math.isNaN(n) ? null : n / 1000;
	}

	/** The page's answer to `name()` as text; null without one. */
	static function ask(name:String):Null<String> {
		if (!ExternalInterface.available)
			return null;
		try {
			var answer:Dynamic = ExternalInterface.call(name);
			return answer == null ? null : Std.string(answer);
		} catch (e:Dynamic) {
			return null;
		}
	}

	/**
		Answers `leafweaverZoomAt(level, x, y)` with `zoom(level, x, y)`, the
		level a number or "in" / "out" taken from `current()`; returns the
		level reached.
	**/
	public static function offerZoom(current:Void->Int, zoom:Int->Float->Float->Void) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverZoomAt", function(level:Dynamic, x:Dynamic, y:Dynamic) {
				var sx = Std.parseFloat(Std.string(x)), sy = Std.parseFloat(Std.string(y));
				if (Math.isNaN(sx) || Math.isNaN(sy))
					return current();
				var l = Std.string(level) == "in" ? current() + 1 : Std.string(level) == "out" ? current() - 1 : Std.parseInt(Std.string(level));
				if (l != null)
					zoom(l, sx, sy);
				return current();
			});
		} catch (e:Dynamic) {}
	}

	/** Answers `leafweaverCancelPress()` with `cancel()`. */
	public static function offerCancelPress(cancel:Void->Void) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverCancelPress", function() {
				cancel();
				return true;
			});
		} catch (e:Dynamic) {}
	}
}
