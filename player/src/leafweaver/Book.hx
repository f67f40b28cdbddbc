package leafweaver;

import flash.display.Sprite;
import flash.events.Event;
import flash.geom.Point;
import flash.Lib;
import leafweaver.Action;

/**
	The open book. It holds the place the book lies open at and drives the
	classes that do the work: the spread arithmetic (`Spreads`), the pages
	held (`PageWindow`), zoom and pan (`View`), the running turn (`Turn`) and
	the drawing (`BookPainter`).
**/
class Book extends Sprite {
	/** Spreads on either side of the open one whose pages are kept loaded. */
	public static inline var KEEP_SPREADS = 2;

	public var config(default, null):BookConfig;
	public var pageCount(default, null):Int;
	/** The place the book lies open at: its first visible page (0-based). */
	public var page(default, null):Int = 0;
	public var single(default, null):Bool = false;
	/** Whether the book reads from right to left (`Spreads`). */
	public var rtl(default, null):Bool;
	public var zoomLevel(get, never):Int;
	public var zoomed(get, never):Bool;
	public var turning(get, never):Bool;
	/** Whether a page file is on its way. */
	public var loading(get, never):Bool;
	/** Called whenever the open page, the view or a page load changes. */
	public var onChange:Void->Void;
	/** Called once a turn has settled, with the first visible page. */
	public var onTurned:Int->Void;
	public var onPageSettled:PageSlot->Void;
	/** The words the page's search found, drawn on their page. */
	public var highlights(default, null):Highlights = new Highlights();
	/** The link areas of the pages, by 0-based page (`Links`). */
	public var links:Map<Int, Array<Links.LinkArea>> = new Map();

	var spreads:Spreads;
	var window:PageWindow;
	var view:View = new View();
	var painter:BookPainter;
	var turn:Null<Turn>;
	var laidOut:Bool = false;

	public function new(config:BookConfig, baseUrl:String, rtl:Bool = false, startNumber:Int = 1) {
		super();
		this.config = config;
		this.rtl = rtl;
		pageCount = config.pages.length;
		spreads = new Spreads(pageCount, single, rtl);
		// The first layout (setViewport) turns this into the place showing it.
		page = Std.int(Math.max(0, Math.min(pageCount - 1, startNumber - 1)));
		window = new PageWindow(config, baseUrl);
		window.onSettled = function(s) {
			s.setMarks(highlights.on(s.index));
			if (onPageSettled != null)
				onPageSettled(s);
			changed();
		};
		painter = new BookPainter(config);
		addChild(painter);
		addEventListener(Event.ENTER_FRAME, tick);
	}

	inline function get_turning()
		return turn != null;

	inline function get_loading()
		return window.busy();

	inline function get_zoomLevel()
		return view.zoomLevel;

	inline function get_zoomed()
		return view.zoomed;

	// ---- what the book shows ----

	/** The pages now on view, 0-based, left to right. */
	public function visiblePages():Array<Int>
		return spreads.visible(page);

	/** The page left (right) of the spine, or Spreads.NONE. */
	public function leftPage():Int
		return spreads.leftOf(page);

	public function rightPage():Int
		return spreads.rightOf(page);

	/** What the page number box shows for the open place. */
	public function pageLabel():String
		return spreads.label(page);

	public function loadedPages():Array<Int>
		return window.loadedPages();

	public function livePages():Int
		return window.count();

	/** Page movies kept loaded out of the window (PageWindow). */
	public function restingPages():Int
		return window.restingCount();

	public function hiddenParts():Int
		return window.hiddenParts();

	public function visibleSettled():Bool
		return window.allSettled(visiblePages());

	public function stateOf(p:Int):String
		return window.stateOf(p);

	// ---- actions ----

	/** Carries out a navigation or zoom action; the stage's own (full screen) are not the book's. */
	public function perform(a:Action) {
		switch (a) {
			case First: goTo(0);
			case Previous: goTo(spreads.previousPlace(page));
			case Next: goTo(spreads.nextPlace(page));
			case Last: goTo(spreads.lastPlace());
			case GoTo(n): goTo(spreads.placeOfNumber(n));
			case ZoomIn: if (view.zoomIn()) zoomChanged();
			case ZoomOut: if (view.zoomOut()) zoomChanged();
			case FullScreen, Contents, Overview:
		}
	}

	/** Whether the action would do anything now. */
	public function can(a:Action):Bool {
		return switch (a) {
			case First, Previous: spreads.canGoBack(page);
			case Next, Last: spreads.canGoForward(page);
			case ZoomIn: view.canZoomIn;
			case ZoomOut: view.zoomed;
			case FullScreen, Contents, Overview, GoTo(_): true;
		}
	}

	public function canGoBack():Bool
		return spreads.canGoBack(page);

	public function canGoForward():Bool
		return spreads.canGoForward(page);

	/**
		Opens the book at place p with an animated turn. A turn still running
		is settled first; the place was taken before, so that a key pressed
		during a turn completes it rather than starting the next one.
	**/
	function goTo(p:Int) {
		if (pageCount == 0)
			return;
		finishTurn();
		if (p < 0 || p >= pageCount || p == page)
			return;
		var t = startTurn(p, true);
		if (t != null)
			t.fly(true, true, now());
	}

	/**
		Highlights the boxes `list` ([[x, y, w, h], ...], shares of the page
		content) on the 1-based page `number`, in place of any highlight
		before; page 0 takes them away (`Highlights.set`). They are drawn on
		the page's sheet, so they follow zoom, pan and turns.
	**/
	public function highlight(number:Dynamic, list:Dynamic) {
		var before = highlights.set(number, list, pageCount);
		var old = window.held(before);
		if (old != null)
			old.setMarks([]);
		var s = window.held(highlights.page);
		if (s != null)
			s.setMarks(highlights.boxes);
		changed();
	}

	// ---- layout ----

	/** Places the book inside the given stage area, one page at a time when `singlePage`. */
	public function setViewport(x:Float, y:Float, w:Float, h:Float, singlePage:Bool) {
		view.setArea(x, y, w, h);
		if (singlePage != single || !laidOut) {
			laidOut = true;
			finishTurn();
			single = singlePage;
			spreads = new Spreads(pageCount, single, rtl);
			page = spreads.placeOf(page);
			refreshWindow();
		}
		place();
		render();
	}

	/** Goes to zoom level `level` about the stage point (sx, sy) (`View.zoomAbout`). */
	public function zoomAt(level:Int, sx:Float, sy:Float) {
		if (view.zoomAbout(level, sx, sy, single ? config.width : 2 * config.width, config.height))
			zoomChanged();
	}

	public function panBy(dx:Float, dy:Float) {
		view.panBy(dx, dy);
		place();
	}

	function zoomChanged() {
		place();
		changed();
	}

	function place() {
		var w = config.width;
		var at = view.place(single ? w : 2 * w, config.height);
		painter.scaleX = painter.scaleY = at.scale;
		painter.x = single ? at.x : at.x + w * at.scale;
		painter.y = at.y;
	}

	// ---- pages and drawing ----

	/** The slot of a turn's leaf or a flat page; null for Spreads.NONE. */
	function leaf(p:Int):Null<PageSlot>
		return p == Spreads.BLANK ? painter.paperBack : window.slot(p);

	/** Keeps the pages near the open place (and those of a running turn) and drops the others. */
	function refreshWindow()
		window.keep(spreads.loadGroups(page, KEEP_SPREADS, turn == null ? [] : turn.plan.pages()));

	/** Draws the pages at rest (those not taking part in a turn). */
	function render() {
		var f = spreads.flat(page, turn == null ? null : turn.plan);
		painter.drawFlat(leaf(f.left), leaf(f.right), f);
	}

	function drawTurn() {
		if (turn != null)
			painter.drawTurn(turn, leaf(turn.plan.front), leaf(turn.plan.back), leaf(turn.plan.under));
	}

	// ---- the turn ----

	/** Sets up a turn towards place p; null when there is no page to turn. */
	function startTurn(p:Int, cornerBottom:Bool):Null<Turn> {
		var plan = spreads.planTurn(page, p);
		if (plan == null)
			return null;
		turn = new Turn(plan, config.width, config.height, cornerBottom);
		refreshWindow();
		render();
		drawTurn();
		return turn;
	}

	function tick(_:Event) {
		if (turn == null || !turn.flying)
			return;
		if (turn.step(now()))
			endTurn(turn.completes);
		else
			drawTurn();
	}

	/** Settles a running turn at once, as if its animation had ended. */
	public function finishTurn() {
		if (turn != null)
			endTurn(turn.completes);
	}

	function endTurn(complete:Bool) {
		var t = turn;
		turn = null;
		painter.clearTurn([leaf(t.plan.front), leaf(t.plan.back), leaf(t.plan.under)]);
		if (complete)
			page = t.plan.target;
		refreshWindow();
		render();
		changed();
		if (onTurned != null)
			onTurned(page);
	}

	// ---- corner drags (see PointerInput) ----

	/** The stage point (sx, sy) in book coordinates. */
	public function toBook(sx:Float, sy:Float):Vec2 {
		var q = painter.globalToLocal(new Point(sx, sy));
		return new Vec2(q.x, q.y);
	}

	/** 1 when a book point lies on the forward half (the left one in a right-to-left book) of the open book, -1 on the back half, 0 off the book. */
	public function halfAt(q:Vec2):Int {
		var w = config.width, h = config.height;
		var inside = pageCount > 0 && q.y >= 0 && q.y <= h && (single ? q.x >= 0 && q.x <= w : q.x >= -w && q.x <= w);
		if (!inside)
			return 0;
		if (single)
			return q.x >= w / 2 ? 1 : -1;
		return (q.x >= 0) != rtl ? 1 : -1;
	}

	/**
		The half a finger's swipe turns from, as `halfAt` gives it for a press
		on the side the finger comes from: a swipe to the left (`leftward`)
		turns as a press on the right-hand page, one to the right as a press
		on the left-hand page (the left half of a single page).
	**/
	public function swipeHalf(leftward:Bool):Int {
		var w = config.width;
		return halfAt(new Vec2(leftward ? w * 0.75 : (single ? w * 0.25 : -w * 0.75), config.height / 2));
	}

	/**
		The link area under the stage point (sx, sy) on a page lying open, or
		null: none while a page turns.
	**/
	public function linkAt(sx:Float, sy:Float):Null<Links.LinkArea> {
		if (turn != null)
			return null;
		var q = toBook(sx, sy);
		var w = config.width;
		if (q.y < 0 || q.y > config.height)
			return null;
		var p = Spreads.NONE, x = q.x;
		if (q.x >= 0 && q.x <= w) {
			p = spreads.rightOf(page);
		} else if (!single && q.x >= -w && q.x < 0) {
			p = spreads.leftOf(page);
			x = q.x + w;
		}
		if (p == Spreads.NONE || !links.exists(p))
			return null;
		var s = window.slot(p);
		var at = s == null ? null : s.share(x, q.y);
		return at == null ? null : Links.at(links.get(p), at.x, at.y);
	}

	/** Starts a turn forward or back whose corner the reader holds at book point q; false when none. */
	public function grabCorner(forward:Bool, q:Vec2):Bool {
		var t = startTurn(forward ? spreads.nextPlace(page) : spreads.previousPlace(page), q.y >= config.height / 2);
		if (t == null)
			return false;
		t.grab(q.x, q.y);
		return true;
	}

	public function dragCorner(q:Vec2) {
		if (turn != null && turn.dragging) {
			turn.dragTo(q.x, q.y);
			drawTurn();
		}
	}

	/** Lets the held corner go: the turn completes or falls back. */
	public function dropCorner() {
		if (turn != null && turn.dragging)
			turn.letGo(now());
	}

	static inline function now():Float
		return Lib.getTimer() / 1000;

	function changed() {
		if (onChange != null)
			onChange();
	}
}
