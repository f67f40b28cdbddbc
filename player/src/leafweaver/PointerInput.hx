package leafweaver;

import flash.events.MouseEvent;
import leafweaver.Action;

/**
	The mouse on the book: a click on the right-hand (left-hand) half turns
	forward (back); a press near the page followed by a move drags the
	corner, and letting go completes the turn past the middle of the page or
	lets it fall back. While zoomed in, dragging pans instead. A click on a
	link area of a page follows the link instead of turning.

	On a touch screen (the runtime passes a finger on as the mouse) a tap's
	turn or link waits a moment for a second tap (`DoubleTap`): a double tap
	zooms in about the tapped point, or back out to the whole book, and a
	swipe is a drag that turns the way the finger moves, wherever it began.
	The page, which sees the browser's event times, judges whether a press
	is a double tap's second and when the moment has passed (`pressOf`,
	`tapWaitLeft`); the player's own clock, late under a slow processor,
	judges only when the page does not.
**/
class PointerInput {
	/** How far, in stage pixels, the mouse moves before a press becomes a drag. */
	static inline var SLOP = 5;

	var book:Book;
	var onAction:Action->Void;
	var pressed:Bool = false;
	var moved:Bool = false;
	var panning:Bool = false;
	/** 1 forward, -1 back, 0 no turn. */
	var pressTurn:Int = 0;
	var pressX:Float = 0;
	var pressY:Float = 0;
	/** The link pressed, followed when the press ends without a move. */
	var pressLink:Null<Links.LinkArea> = null;
	var onLink:Links.LinkArea->Void;
	var doubleTap = new DoubleTap();
	/** A touch tap's action, waiting for a possible second tap, and its timer. */
	var pendingTap:haxe.Timer;
	var pendingAction:Void->Void;
	/** The press is a double tap's second. */
	var secondTap = false;
	/** The current press is a finger's. */
	var touchPress = false;
	/** What the page says of a press: a finger's or not, a double tap's second or not (null: not judged). */
	public var pressOf:Void->{touch:Bool, second:Null<Bool>} = function() return {touch: false, second: null};
	/** Seconds left of the last tap's double-tap moment by the page's clock, null when the page does not say. */
	public var tapWaitLeft:Void->Null<Float> = function() return null;

	/** Clicks become `Next` and `Previous` through onAction, clicks on links go to onLink; drags work the book directly. */
	public function new(book:Book, onAction:Action->Void, ?onLink:Links.LinkArea->Void) {
		this.book = book;
		this.onAction = onAction;
		this.onLink = onLink;
		book.addEventListener(MouseEvent.MOUSE_DOWN, function(e:MouseEvent) {
			if (press(e.stageX, e.stageY)) {
				var stage = flash.Lib.current.stage;
				stage.addEventListener(MouseEvent.MOUSE_MOVE, mouseMove);
				stage.addEventListener(MouseEvent.MOUSE_UP, mouseUp);
			}
		});
	}

	function mouseMove(e:MouseEvent)
		drag(e.stageX, e.stageY);

	function mouseUp(e:MouseEvent) {
		var stage = flash.Lib.current.stage;
		stage.removeEventListener(MouseEvent.MOUSE_MOVE, mouseMove);
		stage.removeEventListener(MouseEvent.MOUSE_UP, mouseUp);
		release();
	}

	/** Returns true when the book takes the press. */
	function press(sx:Float, sy:Float):Bool {
		var half = book.halfAt(book.toBook(sx, sy));
		if (half == 0)
			return false;
		secondTap = false;
		var p = pressOf();
		touchPress = p.touch;
		if (touchPress) {
			var own = doubleTap.isSecond(now(), sx, sy);
			secondTap = p.second != null ? p.second : own;
		}
		// Any other press after a tap (a mouse click, a tap too late or too
		// far for a double tap) runs the tap's action first.
		if (secondTap)
			cancelPendingTap();
		else
			runPendingTap();
		pressed = true;
		moved = false;
		pressX = sx;
		pressY = sy;
		panning = book.zoomed;
		pressTurn = 0;
		pressLink = onLink == null ? null : book.linkAt(sx, sy);
		if (panning || secondTap)
			return true;
		book.finishTurn();
		if (half > 0 && book.canGoForward())
			pressTurn = 1;
		else if (half < 0 && book.canGoBack())
			pressTurn = -1;
		return true;
	}

	function drag(sx:Float, sy:Float) {
		if (!pressed)
			return;
		if (!moved && Math.abs(sx - pressX) + Math.abs(sy - pressY) < SLOP)
			return;
		pressLink = null;
		if (panning) {
			book.panBy(sx - pressX, sy - pressY);
			pressX = sx;
			pressY = sy;
			moved = true;
			return;
		}
		if (!moved && !secondTap && touchPress && Math.abs(sx - pressX) > Math.abs(sy - pressY)) {
			// A finger's swipe turns the way it moves, wherever on the book it
			// began: to the right goes back (in a left-to-right book) even from
			// the right-hand page.
			var half = book.swipeHalf(sx < pressX);
			pressTurn = half > 0 && book.canGoForward() ? 1 : (half < 0 && book.canGoBack() ? -1 : 0);
		}
		if (pressTurn == 0)
			return;
		if (!moved) {
			moved = true;
			if (!book.grabCorner(pressTurn > 0, book.toBook(pressX, pressY))) {
				pressTurn = 0;
				return;
			}
		}
		book.dragCorner(book.toBook(sx, sy));
	}

	function release() {
		if (!pressed)
			return;
		pressed = false;
		if (secondTap) {
			secondTap = false;
			panning = false;
			if (!moved)
				book.zoomAt(DoubleTap.toggledLevel(book.zoomLevel), pressX, pressY);
			return;
		}
		if (!moved && touchPress) {
			// A tap: its action waits to see whether a second tap follows.
			doubleTap.tapped(now(), pressX, pressY);
			var l = pressLink, turn = pressTurn;
			pressLink = null;
			panning = false;
			waitForSecondTap(DoubleTap.INTERVAL, function() tapAction(l, turn));
			return;
		}
		if (!moved && pressLink != null) {
			// Zoomed in or not, a click on a link follows it.
			var l = pressLink;
			pressLink = null;
			panning = false;
			onLink(l);
			return;
		}
		if (panning) {
			panning = false;
			return;
		}
		if (!moved) {
			if (pressTurn != 0)
				onAction(pressTurn > 0 ? Next : Previous);
			return;
		}
		book.dropCorner();
	}

	/** What a click or tap without a move does: follows its link, else turns (not while zoomed in). */
	function tapAction(l:Null<Links.LinkArea>, turn:Int) {
		if (l != null)
			onLink(l);
		else if (turn != 0 && !book.zoomed)
			onAction(turn > 0 ? Next : Previous);
	}

	/**
		Runs a tap's `action` once its double-tap moment has passed: after
		`seconds` by the player's clock, then for as long again as the page
		says is left, by the browser's clock or because a second press the
		page has seen has not reached the player yet (under a slow processor
		the player's frames, and its timer, run behind the browser's events).
	**/
	function waitForSecondTap(seconds:Float, action:Void->Void) {
		cancelPendingTap();
		pendingTap = haxe.Timer.delay(function() {
			pendingTap = null;
			var left = tapWaitLeft();
			if (left != null && left > 0.001)
				waitForSecondTap(left, action);
			else
				action();
		}, Std.int(Math.ceil(seconds * 1000)));
		pendingAction = action;
	}

	function cancelPendingTap() {
		if (pendingTap != null) {
			pendingTap.stop();
			pendingTap = null;
			pendingAction = null;
		}
	}

	function runPendingTap() {
		if (pendingTap != null) {
			var action = pendingAction;
			cancelPendingTap();
			action();
		}
	}

	/**
		Ends the current press without its click: a second finger came down
		(the page's pinch takes over). A held corner is let go and a waiting
		tap forgotten.
	**/
	public function cancel() {
		cancelPendingTap();
		if (!pressed)
			return;
		pressed = false;
		secondTap = false;
		pressLink = null;
		var stage = flash.Lib.current.stage;
		stage.removeEventListener(MouseEvent.MOUSE_MOVE, mouseMove);
		stage.removeEventListener(MouseEvent.MOUSE_UP, mouseUp);
		if (moved && !panning)
			book.dropCorner();
		panning = false;
	}

	static inline function now():Float
		return flash.Lib.getTimer() / 1000;
}
