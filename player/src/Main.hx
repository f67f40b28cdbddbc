import flash.display.Sprite;
import flash.display.StageAlign;
import flash.display.StageDisplayState;
import flash.display.StageScaleMode;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.events.SecurityErrorEvent;
import flash.net.URLLoader;
import flash.net.URLRequest;
import flash.text.TextField;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;
import leafweaver.Action;
import leafweaver.Backdrop;
import leafweaver.Book;
import leafweaver.BookConfig;
import leafweaver.BrowserHooks;
import leafweaver.KeyMap;
import leafweaver.Links;
import leafweaver.Outline;
import leafweaver.OutlinePanel;
import leafweaver.Pace;
import leafweaver.PageSlot;
import leafweaver.Panel;
import leafweaver.PointerInput;
import leafweaver.ThumbnailPanel;
import leafweaver.TouchHooks;
import leafweaver.Thumbnails;

/**
	The book player. It reads the page list "source/Pages.xml" beside the
	movie, shows the background and the book, and lets the reader turn the
	pages with the mouse, the keyboard and the control panel: all three come
	here as actions.
**/
class Main extends Sprite {
	/** The frame around the book when the page gives none: the margin on every side. */
	static inline var MARGIN = 12;

	var baseUrl:String;
	var backdrop:Backdrop;
	var book:Book;
	var panel:Panel;
	var message:TextField;
	var started:Float;
	var firstShown = false;
	var pace = new Pace();
	/** The page's wishes: a right-to-left book, the page number to open at. */
	var rtl = false;
	var startNumber = 1;
	/** The page's frame around the book: the margin and the control panel's band. */
	var margin = MARGIN;
	var band = Panel.HEIGHT;
	/** The book's outline (none until its file is in) and its list while open. */
	var outline:Array<OutlineEntry> = [];
	var outlinePanel:OutlinePanel;
	var config:BookConfig;
	var linkCount = 0;
	/** Whether the book holds an outline and links: the page says so ("0" for none), older pages say nothing. */
	var hasOutline = true;
	var hasLinks = true;
	/** The layout of the book's thumbnail sheets (none for books without them) and their panel while open. */
	var thumbnails:ThumbnailIndex;
	var thumbnailPanel:ThumbnailPanel;

	static function main() {
		flash.Lib.current.addChild(new Main());
	}

	public function new() {
		super();
		started = flash.Lib.getTimer();
		var stage = flash.Lib.current.stage;
		stage.scaleMode = StageScaleMode.NO_SCALE;
		stage.align = StageAlign.TOP_LEFT;
		baseUrl = folderOf(flash.Lib.current.loaderInfo.url);
		// Only the wgpu renderers draw into bitmaps (see PageSlot): the page
		// tells which renderer the runtime uses, or else the one it asked for.
		var params:Dynamic = flash.Lib.current.loaderInfo.parameters;
		var renderer = params == null ? null : Reflect.field(params, "renderer");
		try {
			if (flash.external.ExternalInterface.available) {
				var used:Dynamic = flash.external.ExternalInterface.call("leafweaver.renderer");
				if (used != null)
					renderer = used;
			}
		} catch (e:Dynamic) {}
		PageSlot.canDrawIntoBitmaps = PageSlot.drawsIntoBitmaps(Std.string(renderer));
		// The book's reading direction and the page of the address (#page=12).
		if (params != null) {
			rtl = Std.string(Reflect.field(params, "direction")) == "rtl";
			var n = Std.parseInt(Std.string(Reflect.field(params, "page")));
			if (n != null && n > 0)
				startNumber = n;
			margin = pixels(Reflect.field(params, "margin"), MARGIN);
			band = pixels(Reflect.field(params, "panel"), Panel.HEIGHT);
			hasOutline = Reflect.field(params, "outline") != "0";
			hasLinks = Reflect.field(params, "links") != "0";
		}
		backdrop = new Backdrop();
		addChild(backdrop);
		BrowserHooks.offerState(report);
		var ul = new URLLoader();
		ul.addEventListener(Event.COMPLETE, function(_) {
			var c = BookConfig.parse(Std.string(ul.data));
			if (c == null)
				showMessage("The page list of this book cannot be read.");
			else
				start(c);
		});
		var failed = function(_:Event) showMessage("The page list of this book is missing.");
		ul.addEventListener(IOErrorEvent.IO_ERROR, failed);
		ul.addEventListener(SecurityErrorEvent.SECURITY_ERROR, failed);
		ul.load(new URLRequest(baseUrl + "source/Pages.xml"));
		stage.addEventListener(Event.RESIZE, function(_) layout());
		for (type in [MouseEvent.MOUSE_MOVE, MouseEvent.MOUSE_DOWN, MouseEvent.MOUSE_UP, MouseEvent.MOUSE_WHEEL, KeyboardEvent.KEY_DOWN])
			stage.addEventListener(type, function(_) {
				pace.stir(now());
				setPace();
			});
		addEventListener(Event.ENTER_FRAME, function(_) setPace());
		layout();
	}

	static inline function now():Float
		return flash.Lib.getTimer() / 1000;

	/** Runs at full frame rate while anything moves or loads, slowly at rest (`Pace`). */
	function setPace() {
		var moving = book == null || book.turning || book.loading || !backdrop.settled;
		var rate = pace.rate(now(), moving);
		var stage = flash.Lib.current.stage;
		if (stage.frameRate != rate) {
			stage.frameRate = rate;
			BrowserHooks.send("frame-rate", Std.string(rate));
		}
	}

	/** Tells the page once the book's first view is complete: the pages on view and the background. */
	function checkFirstShown() {
		if (firstShown || book == null || !book.visibleSettled() || !backdrop.settled)
			return;
		firstShown = true;
		BrowserHooks.send("first-page", Std.string(flash.Lib.getTimer() - started));
		// The outline and the links wait for the first view: they never delay it.
		loadOutline();
		loadLinks();
		loadThumbnailIndex();
	}

	/**
		Reads the layout of the book's thumbnails, if it has them; their
		button shows only then. The sheets wait for the panel to open.
	**/
	function loadThumbnailIndex() {
		var ul = new URLLoader();
		ul.addEventListener(Event.COMPLETE, function(_) {
			thumbnails = Thumbnails.parse(Std.string(ul.data), book.pageCount);
			if (thumbnails != null)
				panel.showOverviewButton();
			BrowserHooks.send("thumbnails", thumbnails == null ? "0" : Std.string(thumbnails.pages));
		});
		var none = function(_:Event) BrowserHooks.send("thumbnails", "0");
		ul.addEventListener(IOErrorEvent.IO_ERROR, none);
		ul.addEventListener(SecurityErrorEvent.SECURITY_ERROR, none);
		ul.load(new URLRequest(baseUrl + "source/thumbnails.json"));
	}

	/** Reads the book's outline, if it has one; its button shows only then. */
	function loadOutline() {
		if (!hasOutline) {
			BrowserHooks.send("outline", "0");
			return;
		}
		var ul = new URLLoader();
		ul.addEventListener(Event.COMPLETE, function(_) {
			outline = Outline.parse(Std.string(ul.data), book.pageCount);
			if (outline.length > 0)
				panel.showContentsButton();
			BrowserHooks.send("outline", Std.string(outline.length));
		});
		var none = function(_:Event) BrowserHooks.send("outline", "0");
		ul.addEventListener(IOErrorEvent.IO_ERROR, none);
		ul.addEventListener(SecurityErrorEvent.SECURITY_ERROR, none);
		ul.load(new URLRequest(baseUrl + "source/outline.json"));
	}

	/** Reads the links of the book's pages, if it has any. */
	function loadLinks() {
		if (!hasLinks) {
			BrowserHooks.send("links", "0");
			return;
		}
		var ul = new URLLoader();
		ul.addEventListener(Event.COMPLETE, function(_) {
			book.links = Links.parse(Std.string(ul.data), book.pageCount);
			var n = 0;
			for (areas in book.links)
				n += areas.length;
			linkCount = n;
			BrowserHooks.send("links", Std.string(n));
		});
		var none = function(_:Event) BrowserHooks.send("links", "0");
		ul.addEventListener(IOErrorEvent.IO_ERROR, none);
		ul.addEventListener(SecurityErrorEvent.SECURITY_ERROR, none);
		ul.load(new URLRequest(baseUrl + "source/links.json"));
	}

	/** A web address opens in a new tab (the page checks it again), a page link turns there. */
	function followLink(l:LinkArea) {
		if (l.url != null) {
			if (Links.isOpenable(l.url))
				BrowserHooks.openLink(l.url);
		} else {
			perform(GoTo(l.page));
		}
	}

	function toggleThumbnails() {
		if (thumbnailPanel != null) {
			removeChild(thumbnailPanel);
			thumbnailPanel = null;
			BrowserHooks.send("thumbnails-closed", "");
		} else if (thumbnails != null) {
			if (outlinePanel != null)
				toggleOutline();
			var visible = book.visiblePages();
			thumbnailPanel = new ThumbnailPanel(thumbnails, baseUrl + "source/", config.panelColor, rtl,
				visible.length > 0 ? visible[0] + 1 : 1);
			thumbnailPanel.onChoose = function(n) {
				toggleThumbnails();
				perform(GoTo(n));
			};
			thumbnailPanel.onSheetLoaded = function(n) BrowserHooks.send("thumbnail-sheet", Std.string(n));
			addChild(thumbnailPanel);
			layout();
			BrowserHooks.send("thumbnails-open", "");
		}
	}

	function toggleOutline() {
		if (outlinePanel != null) {
			removeChild(outlinePanel);
			outlinePanel = null;
		} else if (outline.length > 0) {
			if (thumbnailPanel != null)
				toggleThumbnails();
			outlinePanel = new OutlinePanel(outline, config.panelColor, baseUrl + "source/");
			outlinePanel.onChoose = function(n) {
				toggleOutline();
				perform(GoTo(n));
			};
			addChild(outlinePanel);
			layout();
		}
	}

	function start(c:BookConfig) {
		config = c;
		backdrop.onSettled = checkFirstShown;
		OutlinePanel.onSheetLoaded = function(n) BrowserHooks.send("title-sheet", Std.string(n));
		if (c.bgColor >= 0)
			backdrop.setColour(c.bgColor);
		else
			backdrop.loadImage(baseUrl + "source/bg.jpg");
		book = new Book(c, baseUrl, rtl, startNumber);
		addChild(book);
		panel = new Panel(c.panelColor, c.buttonColor, c.textColor, rtl, band);
		addChild(panel);
		panel.onAction = perform;
		BrowserHooks.offerCommands(perform);
		var pointer = new PointerInput(book, perform, followLink);
		pointer.pressOf = TouchHooks.press;
		pointer.tapWaitLeft = TouchHooks.tapWaitLeft;
		TouchHooks.offerCancelPress(pointer.cancel);
		TouchHooks.offerZoom(function() return book.zoomLevel, function(level, x, y) {
			pointer.cancel();
			book.zoomAt(level, x, y);
		});
		book.onChange = updatePanel;
		book.onTurned = function(p) BrowserHooks.send("turned", Std.string(p + 1));
		book.onPageSettled = function(s:PageSlot) {
			BrowserHooks.send(s.state == Loaded ? "page-loaded" : "page-failed", Std.string(s.index + 1));
			checkFirstShown();
		};
		BrowserHooks.offerGoTo(function(n) perform(GoTo(n)));
		BrowserHooks.offerHighlight(function(page, boxes) {
			book.highlight(page, boxes);
			// Drawn at once, not at the next slow frame.
			pace.stir(now());
			setPace();
			BrowserHooks.send("highlight", Std.string(book.highlights.page + 1));
		});
		flash.Lib.current.stage.addEventListener(KeyboardEvent.KEY_DOWN, keyDown);
		layout();
		if (c.pages.length == 0)
			showMessage("This book has no pages yet.");
		BrowserHooks.send("ready", Std.string(c.pages.length));
	}

	function keyDown(e:KeyboardEvent) {
		// Keys typed into the page box are the box's.
		if (flash.Lib.current.stage.focus == panel.numberField)
			return;
		// The open thumbnails take the arrows, Enter and Escape.
		if (thumbnailPanel != null) {
			if (e.keyCode == 27)
				toggleThumbnails();
			else
				thumbnailPanel.key(e.keyCode);
			return;
		}
		var a = KeyMap.actionOf(e.keyCode, rtl);
		if (a != null)
			perform(a);
	}

	function perform(a:Action) {
		switch (a) {
			case Contents:
				toggleOutline();
			case Overview:
				toggleThumbnails();
			case FullScreen:
				// The whole page when the page can: its search stays with the book.
				if (BrowserHooks.askPage("leafweaver.toggleFullScreen"))
					return;
				var stage = flash.Lib.current.stage;
				try {
					stage.displayState = stage.displayState == StageDisplayState.NORMAL ? StageDisplayState.FULL_SCREEN : StageDisplayState.NORMAL;
				} catch (e:Dynamic) {}
			default:
				book.perform(a);
		}
	}

	function updatePanel() {
		if (panel != null)
			panel.update(book.pageLabel(), book.pageCount, book.can);
		// A zoomed book stays above the control bar, whatever its pages draw.
		var stage = flash.Lib.current.stage;
		var clip = book.scrollRect;
		if (book.zoomLevel > 1) {
			if (clip == null || clip.width != stage.stageWidth || clip.height != stage.stageHeight - band)
				book.scrollRect = new flash.geom.Rectangle(0, 0, stage.stageWidth, stage.stageHeight - band);
		} else if (clip != null) {
			book.scrollRect = null;
		}
	}

	function layout() {
		var stage = flash.Lib.current.stage;
		var w = stage.stageWidth, h = stage.stageHeight;
		backdrop.fit(w, h);
		if (book != null) {
			var bh = h - band - 2 * margin;
			// A window taller than wide shows one page at a time.
			book.setViewport(margin, margin, w - 2 * margin, bh, h > w);
			panel.layout(w, h);
			updatePanel();
			if (outlinePanel != null) {
				outlinePanel.x = margin;
				outlinePanel.y = margin;
				outlinePanel.setSize(w - 2 * margin, bh);
			}
			if (thumbnailPanel != null) {
				thumbnailPanel.x = margin;
				thumbnailPanel.y = margin;
				thumbnailPanel.setSize(w - 2 * margin, bh);
			}
		}
		if (message != null) {
			message.width = Math.max(50, w - 40);
			message.x = 20;
			message.y = Math.max(10, h / 2 - 40);
		}
	}

	function showMessage(text:String) {
		if (message == null) {
			message = new TextField();
			var f = new TextFormat("_sans", 18, 0xFFFFFF);
			f.align = TextFormatAlign.CENTER;
			message.defaultTextFormat = f;
			message.selectable = false;
			message.wordWrap = true;
			message.height = 80;
			addChild(message);
		}
		message.text = text;
		layout();
		BrowserHooks.send("message", text);
	}

	/** The state `leafweaverState()` reports to the page. */
	function report():Dynamic {
		if (book == null)
			return {ready: false};
		var visible = book.visiblePages();
		return {
			ready: true,
			pageCount: book.pageCount,
			visible: [for (p in visible) p + 1],
			states: [for (p in visible) book.stateOf(p)],
			loaded: [for (p in book.loadedPages()) p + 1],
			live: book.livePages(),
			resting: book.restingPages(),
			single: book.single,
			rtl: book.rtl,
			// The pages left and right of the spine, 0 for none.
			left: book.leftPage() + 1,
			right: book.rightPage() + 1,
			turning: book.turning,
			// Whether vector pages are drawn into bitmaps (a wgpu renderer).
			bitmapCache: PageSlot.canDrawIntoBitmaps,
			// Texts of vector pages a turn leaves out, being out of sight.
			hiddenTexts: book.hiddenParts(),
			zoom: book.zoomLevel,
			settled: book.visibleSettled(),
			frameRate: flash.Lib.current.stage.frameRate,
			outline: outline.length,
			outlineOpen: outlinePanel != null,
			links: linkCount,
			thumbnails: thumbnails == null ? 0 : thumbnails.pages,
			thumbnailsOpen: thumbnailPanel != null,
			thumbnailsShown: thumbnailPanel == null ? [] : thumbnailPanel.visiblePages(),
			thumbnailSelected: thumbnailPanel == null ? 0 : thumbnailPanel.selected,
			thumbnailSheets: thumbnailPanel == null ? 0 : thumbnailPanel.sheetsRequested(),
			// The page with found words drawn on it (0 for none) and their boxes.
			highlight: book.highlights.page + 1,
			highlightBoxes: book.highlights.boxes.length,
			// The control bar's shown controls and the page box's text.
			controls: panel.controls()
		};
	}

	/** A size in pixels the page gives (a whole number from 0 to 400), or `fallback`. */
	static function pixels(value:Dynamic, fallback:Int):Int {
		var n = value == null ? null : Std.parseInt(Std.string(value));
		return n != null && n >= 0 && n <= 400 ? n : fallback;
	}

	static function folderOf(url:String):String {
		if (url == null)
			return "";
		var q = url.indexOf("?");
		if (q >= 0)
			url = url.substr(0, q);
		var hash = url.indexOf("#");
		if (hash >= 0)
			url = url.substr(0, hash);
		var slash = url.lastIndexOf("/");
		return slash >= 0 ? url.substr(0, slash + 1) : "";
	}
}
